import QtQuick

// A small ring with a quarter of it in `color`, turning while it shows: work in progress.
Item {
    id: spinner

    property color color: "white"

    implicitWidth: 16
    implicitHeight: 16

    Rectangle {
        anchors.fill: parent
        radius: width / 2
        color: "transparent"
        border.width: 2
        border.color: Qt.rgba(spinner.color.r, spinner.color.g, spinner.color.b, 0.25)
    }
    Item {
        width: spinner.width / 2
        height: spinner.height / 2
        clip: true
        Rectangle {
            width: spinner.width
            height: spinner.height
            radius: width / 2
            color: "transparent"
            border.width: 2
            border.color: spinner.color
        }
    }
    RotationAnimation on rotation {
        running: spinner.visible
        from: 0
        to: 360
        duration: 900
        loops: Animation.Infinite
    }
}
