import QtQuick
import QtQuick.Layouts
import Quintara.Settings
import Quintara.Island

// The small island: what it focuses on, as a mark, a title and a trailing mark. Beside a camera
// housing only the two marks show, in the band left and right of it.
RowLayout {
    id: row

    required property IslandModel model

    spacing: 10

    Item {
        Layout.leftMargin: 14
        implicitWidth: leading.width
        implicitHeight: leading.height
        Symbol {
            id: leadingSymbol
            visible: row.model.focus === "activity"
            name: row.model.focusNeedsAttention ? "exclamationmark.bubble.fill" : "sparkles"
            color: Brand.accent
            size: 14
        }
        Artwork {
            visible: row.model.focus === "music"
            width: 18
            height: 18
            radius: 4
            image: row.model.artwork
            fallback: "music.note"
        }
        Artwork {
            visible: row.model.focus === "wallpaper"
            width: 22
            height: 14
            radius: 4
            image: row.model.poster
            fallback: "photo"
        }
        Item {
            id: leading
            width: row.model.focus === "activity" ? 14 : row.model.focus === "music" ? 18 : 22
            height: row.model.focus === "wallpaper" ? 14 : 18
        }
    }
    Text {
        Layout.fillWidth: true
        visible: !row.model.hasNotch
        text: row.model.focusTitle
        color: Qt.rgba(1, 1, 1, 0.85)
        font.pixelSize: 12
        font.weight: Font.Medium
        elide: Text.ElideRight
        maximumLineCount: 1
    }
    Item {
        Layout.fillWidth: row.model.hasNotch
    }
    Item {
        Layout.rightMargin: 14
        implicitWidth: 12
        implicitHeight: 12
        Rectangle {
            anchors.centerIn: parent
            visible: row.model.focusNeedsAttention
            width: 7
            height: 7
            radius: 3.5
            color: Brand.accent
        }
        Symbol {
            anchors.centerIn: parent
            visible: !row.model.focusNeedsAttention
            size: 12
            name: row.model.focus === "activity" ? "ellipsis"
                  : row.model.focus === "wallpaper" && row.model.paused ? "pause.fill"
                  : "waveform"
            color: name === "pause.fill" ? Qt.rgba(1, 1, 1, 0.6) : Brand.accent
        }
    }
}
