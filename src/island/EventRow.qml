import QtQuick
import QtQuick.Layouts
import Quintara.Settings
import Quintara.Island

// A one-shot notice: its picture, title and subtitle.
RowLayout {
    id: row

    required property IslandModel model

    spacing: 12

    Item {
        Layout.leftMargin: 16
        implicitWidth: picture.width
        implicitHeight: picture.height
        Item {
            id: picture
            width: row.model.eventPicture === "artwork" ? 36
                   : row.model.eventPicture === "symbol" ? 32 : 54
            height: row.model.eventPicture === "artwork" ? 36
                    : row.model.eventPicture === "symbol" ? 32 : 30
        }
        Artwork {
            anchors.fill: picture
            visible: row.model.eventPicture !== "symbol"
            radius: row.model.eventPicture === "artwork" ? 8 : 7
            image: row.model.eventPicture === "artwork" ? row.model.eventImage : row.model.poster
            fallback: row.model.eventPicture === "artwork" ? "music.note" : "photo"
        }
        Rectangle {
            anchors.fill: picture
            visible: row.model.eventPicture === "symbol"
            radius: width / 2
            color: Qt.rgba(Brand.accent.r, Brand.accent.g, Brand.accent.b, 0.18)
            SwapSymbol {
                anchors.centerIn: parent
                name: row.model.eventIcon
                size: 13
                color: Brand.accent
            }
        }
    }
    ColumnLayout {
        Layout.fillWidth: true
        Layout.rightMargin: 16
        spacing: 2
        Text {
            Layout.fillWidth: true
            text: row.model.eventTitle
            color: "white"
            font.pixelSize: 14
            font.weight: Font.DemiBold
            elide: Text.ElideRight
            maximumLineCount: 1
        }
        Text {
            Layout.fillWidth: true
            visible: text.length > 0
            text: row.model.eventSubtitle
            color: Qt.rgba(1, 1, 1, 0.6)
            font.pixelSize: 11
            font.weight: Font.Medium
            elide: Text.ElideRight
            maximumLineCount: 1
        }
    }
}
