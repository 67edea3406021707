import QtQuick
import Quintara.Settings

// A SpringAnimation that moves like the spring of `response` seconds and `dampingFraction`:
// `Behavior on x { Spring {} }` moves with the app's own spring, and
// `Spring { response: 0.42; dampingFraction: 0.78 }` with another.
SpringAnimation {
    property real response: Brand.spring.response
    property real dampingFraction: Brand.spring.dampingFraction
    readonly property springMotion motion: Brand.springMotion(response, dampingFraction)

    spring: motion.spring
    damping: motion.damping
}
