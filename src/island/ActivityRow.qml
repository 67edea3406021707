import QtQuick
import QtQuick.Layouts
import Quintara.Settings

// One activity: its state, who reports it, what it is about and how long ago it last changed.
RowLayout {
    id: row

    required property string source
    required property string line
    required property string activityState
    required property string elapsed

    spacing: 8

    Item {
        Layout.preferredWidth: 28
        Layout.fillHeight: true
        Spinner {
            anchors.centerIn: parent
            visible: row.activityState === "running"
            color: Brand.accent
        }
        Symbol {
            anchors.centerIn: parent
            visible: row.activityState !== "running"
            size: 16
            name: row.activityState === "done" ? "checkmark.circle.fill" : "exclamationmark.bubble.fill"
            color: row.activityState === "done" ? "#34c759" : Brand.accent
        }
    }
    ColumnLayout {
        Layout.fillWidth: true
        spacing: 1
        Text {
            text: row.source
            color: Qt.rgba(1, 1, 1, 0.5)
            font.pixelSize: 10
            font.weight: Font.DemiBold
            font.letterSpacing: 1
        }
        Text {
            Layout.fillWidth: true
            text: row.line
            color: "white"
            font.pixelSize: 13
            font.weight: Font.Medium
            elide: Text.ElideRight
            maximumLineCount: 1
        }
    }
    Text {
        text: row.elapsed
        color: Qt.rgba(1, 1, 1, 0.4)
        font.pixelSize: 10
    }
}
