import QtQml.Models
import QtQuick
import QtQuick.Controls
import QtQuick.Layouts
import Quintara.Settings
import Quintara.Island

// The open island: the wallpaper with its controls, the music playing, the newest activities.
ColumnLayout {
    id: panel

    required property IslandModel model
    // A menu of the panel is open (it may reach beyond the island).
    readonly property bool menuOpen: speedMenu.opened
    // Where the open menu is drawn, in the window.
    readonly property rect menuRect: {
        if (!speedMenu.opened)
            return Qt.rect(0, 0, 0, 0)
        const corner = speedCapsule.mapToItem(null, speedMenu.x, speedMenu.y)
        return Qt.rect(corner.x, corner.y, speedMenu.width, speedMenu.height)
    }

    spacing: 10

    // Wallpaper.
    RowLayout {
        Layout.fillWidth: true
        Layout.preferredHeight: 104
        spacing: 12
        Artwork {
            Layout.preferredWidth: 86
            Layout.preferredHeight: 48
            radius: 9
            image: panel.model.poster
            fallback: "photo"
        }
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2
            Text {
                text: "Wallpaper"
                color: Brand.glow
                font.pixelSize: 10
                font.weight: Font.DemiBold
                font.letterSpacing: 1
            }
            Text {
                Layout.fillWidth: true
                text: panel.model.hasWallpaper ? panel.model.wallpaperTitle : "No wallpaper"
                color: "white"
                font.pixelSize: 13
                font.weight: Font.DemiBold
                elide: Text.ElideRight
                maximumLineCount: 1
            }
            Text {
                Layout.fillWidth: true
                text: panel.model.statusText
                color: Qt.rgba(1, 1, 1, 0.6)
                font.pixelSize: 11
                elide: Text.ElideRight
                maximumLineCount: 1
            }
        }
        RowLayout {
            spacing: 6
            IslandButton {
                objectName: "pauseButton"
                icon: panel.model.paused ? "play.fill" : "pause.fill"
                label: panel.model.paused ? "Play wallpaper" : "Pause wallpaper"
                onClicked: panel.model.togglePause()
            }
            IslandButton {
                objectName: "shuffleButton"
                icon: "shuffle"
                label: "Shuffle wallpaper"
                onClicked: panel.model.shuffle()
            }
            Item {
                id: speedCapsule
                implicitWidth: 44
                implicitHeight: 30
                Accessible.role: Accessible.ButtonMenu
                Accessible.name: "Wallpaper playback speed"
                Rectangle {
                    anchors.fill: parent
                    radius: height / 2
                    color: Qt.rgba(1, 1, 1, speedHover.hovered || speedMenu.opened ? 0.2 : 0.1)
                }
                Text {
                    anchors.centerIn: parent
                    text: panel.model.speedTitle
                    color: "white"
                    font.pixelSize: 12
                    font.weight: Font.DemiBold
                }
                HoverHandler {
                    id: speedHover
                }
                TapHandler {
                    onTapped: speedMenu.opened ? speedMenu.close() : speedMenu.popup(0, 32)
                }
                ToolTip.visible: speedHover.hovered && !speedMenu.opened
                ToolTip.text: "Wallpaper playback speed"
                ToolTip.delay: 600
                Menu {
                    id: speedMenu
                }
                Instantiator {
                    model: panel.model.speedChoices
                    delegate: MenuItem {
                        required property var modelData
                        text: modelData.title
                        onTriggered: panel.model.setSpeed(modelData.speed)
                    }
                    onObjectAdded: (index, item) => speedMenu.insertItem(index, item)
                    onObjectRemoved: (index, item) => speedMenu.removeItem(item)
                }
            }
            IslandButton {
                icon: "square.grid.2x2"
                label: "Open Quintara"
                onClicked: panel.model.openControls()
            }
        }
    }

    // Music.
    RowLayout {
        Layout.fillWidth: true
        Layout.preferredHeight: 64
        visible: panel.model.hasTrack
        spacing: 12
        Artwork {
            Layout.preferredWidth: 52
            Layout.preferredHeight: 52
            radius: 10
            image: panel.model.artwork
            fallback: "music.note"
        }
        ColumnLayout {
            Layout.fillWidth: true
            spacing: 2
            Text {
                Layout.fillWidth: true
                text: panel.model.trackTitle
                color: "white"
                font.pixelSize: 13
                font.weight: Font.DemiBold
                elide: Text.ElideRight
                maximumLineCount: 1
            }
            Text {
                Layout.fillWidth: true
                text: panel.model.trackArtist
                color: Qt.rgba(1, 1, 1, 0.6)
                font.pixelSize: 12
                elide: Text.ElideRight
                maximumLineCount: 1
            }
        }
        IslandButton {
            icon: "backward.fill"
            label: "Previous"
            onClicked: panel.model.sendMusic("previousTrack")
        }
        IslandButton {
            prominent: true
            icon: panel.model.trackPlaying ? "pause.fill" : "play.fill"
            label: panel.model.trackPlaying ? "Pause music" : "Play music"
            onClicked: panel.model.sendMusic("playPause")
        }
        IslandButton {
            icon: "forward.fill"
            label: "Next"
            onClicked: panel.model.sendMusic("nextTrack")
        }
    }

    // Activities, newest first.
    Repeater {
        model: panel.model.visibleActivities
        ActivityRow {
            Layout.fillWidth: true
            Layout.preferredHeight: 40
        }
    }

    Connections {
        target: panel.model
        function onModeChanged() {
            if (panel.model.mode !== "expanded")
                speedMenu.close()
        }
    }
}
