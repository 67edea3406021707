import QtQuick
import Quintara.Settings

// A small round button of the island: a symbol in a circle, its label as accessible name and
// (shown by the view) as tooltip.
Item {
    id: button

    property string icon
    property string label
    property bool prominent: false
    readonly property alias hovered: hover.hovered
    signal clicked

    implicitWidth: prominent ? 36 : 30
    implicitHeight: implicitWidth

    Accessible.role: Accessible.Button
    Accessible.name: label
    Accessible.onPressAction: button.clicked()

    Rectangle {
        anchors.fill: parent
        radius: width / 2
        color: button.prominent ? Brand.accent
                                : Qt.rgba(1, 1, 1, hover.hovered ? 0.2 : 0.1)
        Behavior on color { ColorAnimation { duration: 150 } }
    }
    SwapSymbol {
        anchors.centerIn: parent
        name: button.icon
        size: button.prominent ? 15 : 13
        color: button.prominent ? "black" : "white"
    }
    HoverHandler {
        id: hover
    }
    TapHandler {
        onTapped: button.clicked()
    }
}
