import QtQuick
import Quintara.Settings
import Quintara.Island

// The island pill hanging from the top edge of the screen: black, square at the top and rounded
// at the bottom, with the resting row, an event or the open panel inside. Everything follows
// the model and moves with its spring; the rest of the window stays transparent.
Item {
    id: view

    required property IslandModel model

    // What the pill covers, in the window, for the window's shape.
    readonly property rect pillRect: pill.opacity > 0
                                     ? Qt.rect(pill.x, pill.y, pill.width, pill.height)
                                     : Qt.rect(0, 0, 0, 0)
    readonly property real pillRadius: pill.radius
    // A menu is open and may reach beyond the pill; where it and the tooltip are drawn.
    readonly property bool menuOpen: expanded.menu.opened
    readonly property rect menuRect: menuOpen ? outline(expanded.menu) : Qt.rect(0, 0, 0, 0)
    readonly property rect tipRect: tip.visible ? outline(tip) : Qt.rect(0, 0, 0, 0)

    readonly property string mode: model.mode
    readonly property real notch: model.hasNotch ? model.notchHeight : 0

    readonly property real response: model.springResponse
    readonly property real dampingFraction: model.springDamping

    // What a floating item covers, its shadow one pixel right and down included.
    function outline(item) {
        return Qt.rect(item.x, item.y, item.width + 1, item.height + 1)
    }

    // The shadow: layers of faint black around the pill, 18 wide, 8 down.
    Repeater {
        model: 6
        Rectangle {
            required property int index
            readonly property real spread: 3 * (index + 1)
            x: pill.x - spread
            y: pill.y + 8 - spread
            width: pill.width + 2 * spread
            height: pill.height + 2 * spread
            radius: pill.radius + spread
            color: "black"
            opacity: (view.mode === "resting" ? 0 : 0.35 / 6) * pill.opacity
            visible: opacity > 0 && pill.width > 0
        }
    }

    Item {
        id: pill

        property real radius: view.mode === "resting" ? (view.model.hasNotch ? 12 : 16)
                              : view.mode === "event" ? 26 : 32

        x: (view.width - width) / 2
        width: view.model.size.width
        height: view.model.size.height
        opacity: view.model.size.width === 0 && view.model.size.height === 0 ? 0 : 1
        clip: true
        Behavior on width {
            Spring {
                response: view.response
                dampingFraction: view.dampingFraction
            }
        }
        Behavior on height {
            Spring {
                response: view.response
                dampingFraction: view.dampingFraction
            }
        }
        Behavior on radius {
            Spring {
                response: view.response
                dampingFraction: view.dampingFraction
            }
        }
        Behavior on opacity {
            Spring {
                response: view.response
                dampingFraction: view.dampingFraction
            }
        }

        Rectangle {
            anchors.fill: parent
            radius: pill.radius
            color: "black"
        }
        // Square top corners.
        Rectangle {
            width: parent.width
            height: Math.min(pill.radius, parent.height)
            color: "black"
        }

        // Laid out at the island's final size, top-aligned, while the pill moves towards it.
        Item {
            x: (pill.width - width) / 2
            width: view.model.size.width
            height: view.model.size.height

            ModeContent {
                response: view.response
                dampingFraction: view.dampingFraction
                shown: view.mode === "resting"
                width: parent.width
                height: parent.height
                RestingRow {
                    anchors.fill: parent
                    model: view.model
                }
            }
            ModeContent {
                response: view.response
                dampingFraction: view.dampingFraction
                shown: view.mode === "event"
                from: 0.9
                y: view.notch
                width: parent.width
                height: 60
                EventRow {
                    anchors.fill: parent
                    model: view.model
                }
            }
            ModeContent {
                response: view.response
                dampingFraction: view.dampingFraction
                shown: view.mode === "expanded"
                from: 0.94
                x: 14
                y: view.notch + 14
                width: parent.width - 28
                height: expanded.implicitHeight
                ExpandedPanel {
                    id: expanded
                    width: parent.width
                    model: view.model
                    overlay: overlay
                }
            }
        }
    }

    // Above the pill and not cut by it: the speed menu and the tooltip, over the whole window.
    Item {
        id: overlay
        anchors.fill: parent
        // A press anywhere else closes the menu; the press still reaches what is under it.
        TapHandler {
            onPressedChanged: if (pressed) expanded.menu.pressedAt(point.position)
        }
        IslandToolTip {
            id: tip
            target: view.mode === "expanded" ? expanded.hoveredControl : null
        }
    }
}
