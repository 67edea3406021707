import QtQuick
import QtQuick.Controls
import Quintara.Library
import Quintara.Settings

// The control-panel window. Its library, displays and settings arrive with the control panel
// itself; until then it shows its title. Closing hides it: the window is kept for the next
// showing.
ApplicationWindow {
    id: window

    // The library the sidebar and the grid show.
    required property LibraryModel library

    title: "Quintara"
    color: systemPalette.window

    onClosing: close => {
        close.accepted = false
        window.hide()
    }

    SystemPalette {
        id: systemPalette
    }

    Row {
        anchors.centerIn: parent
        spacing: 12

        Symbol {
            anchors.verticalCenter: parent.verticalCenter
            name: "sparkles"
            color: Brand.accent
            size: 34
        }
        Label {
            anchors.verticalCenter: parent.verticalCenter
            text: window.title
            font: Brand.display
            color: systemPalette.windowText
        }
    }
}
