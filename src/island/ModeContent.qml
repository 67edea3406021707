import QtQuick
import Quintara.Settings

// The content of one of the island's modes: it fades in and grows from `from` when its mode
// comes, and out again when it goes, with the island's spring.
Item {
    id: content

    property bool shown
    property real from: 1
    property real response
    property real dampingFraction

    opacity: shown ? 1 : 0
    scale: shown ? 1 : from
    visible: opacity > 0.01
    Behavior on opacity {
        Spring {
            response: content.response
            dampingFraction: content.dampingFraction
        }
    }
    Behavior on scale {
        Spring {
            response: content.response
            dampingFraction: content.dampingFraction
        }
    }
}
