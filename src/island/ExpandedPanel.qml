import QtQuick
import QtQuick.Layouts
import Quintara.Settings
import Quintara.Island

// The open island: the wallpaper with its controls, the music playing, the newest activities.
ColumnLayout {
    id: panel

    required property IslandModel model
    // The layer over the whole window that the speed menu opens in.
    required property Item overlay
    readonly property alias menu: speedMenu
    // The control under the pointer, whose label the tooltip shows; none while its menu is open.
    readonly property Item hoveredControl: [pauseButton, shuffleButton, speedButton, openButton,
                                            previousButton, playButton, nextButton]
                                           .find(control => control.hovered
                                                 && !(control === speedButton && speedMenu.opened))
                                           || null

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
                id: pauseButton
                objectName: "pauseButton"
                icon: panel.model.paused ? "play.fill" : "pause.fill"
                label: panel.model.paused ? "Play wallpaper" : "Pause wallpaper"
                onClicked: panel.model.togglePause()
            }
            IslandButton {
                id: shuffleButton
                objectName: "shuffleButton"
                icon: "shuffle"
                label: "Shuffle wallpaper"
                onClicked: panel.model.shuffle()
            }
            Item {
                id: speedButton
                objectName: "speedButton"
                readonly property string label: "Wallpaper playback speed"
                readonly property alias hovered: speedHover.hovered
                implicitWidth: 44
                implicitHeight: 30
                Accessible.role: Accessible.ButtonMenu
                Accessible.name: label
                Accessible.onPressAction: toggle()
                function toggle() {
                    if (speedMenu.opened)
                        speedMenu.close()
                    else
                        speedMenu.open(speedButton, Qt.point(0, 32))
                }
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
                    onTapped: speedButton.toggle()
                }
                IslandMenu {
                    id: speedMenu
                    objectName: "speedMenu"
                    parent: panel.overlay
                    opener: speedButton
                    titles: panel.model.speedChoices.map(choice => choice.title)
                    current: panel.model.speedChoices.findIndex(
                                 choice => choice.speed === panel.model.speed)
                    onPicked: index => panel.model.setSpeed(panel.model.speedChoices[index].speed)
                }
            }
            IslandButton {
                id: openButton
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
            id: previousButton
            icon: "backward.fill"
            label: "Previous"
            onClicked: panel.model.sendMusic("previousTrack")
        }
        IslandButton {
            id: playButton
            prominent: true
            icon: panel.model.trackPlaying ? "pause.fill" : "play.fill"
            label: panel.model.trackPlaying ? "Pause music" : "Play music"
            onClicked: panel.model.sendMusic("playPause")
        }
        IslandButton {
            id: nextButton
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
