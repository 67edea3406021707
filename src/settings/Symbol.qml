import QtQuick
import Quintara.Settings

// One symbol of the app's set by its name ("sparkles", "play.fill"), drawn in `color` inside a
// square of `size`. An unknown name draws nothing.
Image {
    id: symbol

    property string name
    property color color: systemPalette.text
    property real size: 16

    width: size
    height: size
    sourceSize: Qt.size(Math.ceil(size * Screen.devicePixelRatio),
                        Math.ceil(size * Screen.devicePixelRatio))
    fillMode: Image.PreserveAspectFit
    source: Symbols.source(name, color)

    SystemPalette {
        id: systemPalette
    }
}
