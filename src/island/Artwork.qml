import QtQuick
import Quintara.Settings
import Quintara.Island

// A picture cropped into a rounded frame; without one, a faint tile with the fallback symbol.
Item {
    id: artwork

    property var image
    property real radius: 4
    property string fallback: "photo"

    IslandImage {
        id: picture
        anchors.fill: parent
        image: artwork.image
        radius: artwork.radius
    }
    Rectangle {
        anchors.fill: parent
        visible: !picture.hasImage
        radius: artwork.radius
        color: Qt.rgba(1, 1, 1, 0.12)
        Symbol {
            anchors.centerIn: parent
            name: artwork.fallback
            size: 0.4 * Math.min(artwork.width, artwork.height)
            color: Qt.rgba(1, 1, 1, 0.5)
        }
    }
}
