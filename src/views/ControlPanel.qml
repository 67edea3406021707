import QtQuick

// The control panel's page. Its library, displays and settings arrive with the control panel
// itself; until then the window shows its title.
Rectangle {
    color: palette.window
    SystemPalette { id: palette }

    Text {
        anchors.centerIn: parent
        text: "Quintara"
        font.pixelSize: 38
        font.bold: true
        color: palette.windowText
    }
}
