import QtQuick

// The label of the control under the pointer, in a small pale box above it, a moment after the
// pointer arrives; gone as soon as it leaves. Lives in a layer over the whole window, so that it
// is not cut by the pill, and stays 6 pixels inside that layer.
Item {
    id: tip

    // The control whose `label` shows; none hides the tip.
    property Item target

    readonly property point spot: target ? target.mapToItem(parent, target.width / 2, 0)
                                         : Qt.point(0, 0)

    visible: false
    x: Math.max(6, Math.min(parent.width - 6 - width, spot.x - width / 2))
    y: Math.max(6, spot.y - height - 3)
    width: label.implicitWidth + 12
    height: label.implicitHeight + 12

    onTargetChanged: {
        visible = false
        if (target)
            delay.restart()
        else
            delay.stop()
    }
    // On the animation clock rather than a timer, so that it runs with the window's other motion.
    SequentialAnimation {
        id: delay
        PauseAnimation { duration: 600 }
        PropertyAction { target: tip; property: "visible"; value: true }
    }

    Rectangle {
        x: 1
        y: 1
        width: parent.width
        height: parent.height
        color: tip.palette.shadow
        opacity: 0.5
    }
    Rectangle {
        anchors.fill: parent
        color: tip.palette.toolTipBase
        border.color: tip.palette.toolTipText
    }
    Text {
        id: label
        x: 6
        y: 6
        text: tip.target ? tip.target.label : ""
        color: tip.palette.toolTipText
    }
}
