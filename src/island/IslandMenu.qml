import QtQuick
import Quintara.Settings

// A pull-down list of choices in the desktop's menu colours: the current choice checked, the one
// under the pointer or picked with the arrow keys highlighted. Lives in a layer over the whole
// window, so that it may reach beyond the pill, and stays inside that layer.
Item {
    id: menu

    property var titles: []
    property int current: -1
    // What opens the menu: a press there is left to it rather than closing the menu.
    property Item opener
    readonly property bool opened: visible
    property int highlighted: -1
    signal picked(int index)

    visible: false
    width: 200
    height: list.height + 2

    // Opens with its top left corner at `position` of `item`, moved in so that it fits.
    function open(item, position) {
        const corner = item.mapToItem(parent, position.x, position.y)
        x = Math.max(0, Math.min(parent.width - width, corner.x))
        y = Math.max(0, Math.min(parent.height - height, corner.y))
        highlighted = -1
        visible = true
        forceActiveFocus()
    }
    function close() {
        visible = false
    }
    function pick(index) {
        close()
        picked(index)
    }
    // A press at `point` of the layer: anywhere but on the menu or its opener closes it.
    function pressedAt(point) {
        const inMenu = point.x >= x && point.x < x + width && point.y >= y && point.y < y + height
        const inOpener = opener && opener.contains(opener.mapFromItem(parent, point.x, point.y))
        if (opened && !inMenu && !inOpener)
            close()
    }

    Keys.onEscapePressed: close()
    Keys.onUpPressed: highlighted = highlighted <= 0 ? titles.length - 1 : highlighted - 1
    Keys.onDownPressed: highlighted = (highlighted + 1) % titles.length
    Keys.onReturnPressed: if (highlighted >= 0) pick(highlighted)
    Keys.onEnterPressed: if (highlighted >= 0) pick(highlighted)

    Rectangle {
        x: 1
        y: 1
        width: parent.width
        height: parent.height
        color: menu.palette.shadow
        opacity: 0.2
    }
    Rectangle {
        anchors.fill: parent
        color: menu.palette.base
        border.color: menu.palette.window.darker(1.4)
    }
    Column {
        id: list
        x: 1
        y: 1
        width: parent.width - 2
        Repeater {
            model: menu.titles
            Rectangle {
                id: choice
                required property int index
                required property string modelData
                readonly property bool lit: index === menu.highlighted

                width: list.width
                height: title.implicitHeight + 12
                color: lit ? menu.palette.highlight : "transparent"
                Accessible.role: Accessible.MenuItem
                Accessible.name: modelData
                Accessible.checkable: true
                Accessible.checked: index === menu.current
                Accessible.onPressAction: menu.pick(index)

                Symbol {
                    x: 6
                    anchors.verticalCenter: parent.verticalCenter
                    visible: choice.index === menu.current
                    name: "checkmark"
                    size: 14
                    color: choice.lit ? menu.palette.highlightedText : menu.palette.text
                }
                Text {
                    id: title
                    x: 26
                    anchors.verticalCenter: parent.verticalCenter
                    text: choice.modelData
                    color: choice.lit ? menu.palette.highlightedText : menu.palette.text
                }
                HoverHandler {
                    onHoveredChanged: {
                        if (hovered)
                            menu.highlighted = choice.index
                        else if (menu.highlighted === choice.index)
                            menu.highlighted = -1
                    }
                }
                TapHandler {
                    onTapped: menu.pick(choice.index)
                }
            }
        }
    }
}
