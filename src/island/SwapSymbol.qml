import QtQuick
import Quintara.Settings

// A symbol that gives way to the next one it is set to: the old one shrinks away and the new one
// grows in its place.
Symbol {
    id: symbol

    Behavior on name {
        SequentialAnimation {
            NumberAnimation { target: symbol; property: "scale"; to: 0.6; duration: 80 }
            PropertyAction {}
            NumberAnimation { target: symbol; property: "scale"; to: 1; duration: 120 }
        }
    }
}
