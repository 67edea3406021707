#pragma once

#include <QObject>
#include <QtQml/qqmlregistration.h>

namespace quintara {

// A spring as the views describe motion: `response`, the period in seconds of its undamped
// oscillation, and `dampingFraction`, 1 for critical damping, less for a bounce. `spring` and
// `damping` are the settings of Qt Quick's SpringAnimation (at mass 1) that move the same way.
//
// SpringAnimation steps a unit mass every 16 ms: velocity += spring * distance - damping *
// velocity, then position += velocity * 0.016. The step is linear, so over one step it
// multiplies (distance, velocity) by a fixed matrix whose determinant is 1 - damping and whose
// trace is 2 - damping - 0.016 * spring. Choosing those two so that the matrix has the
// eigenvalues of the true oscillator over 16 ms, exp(λ · 0.016) with λ = -ζω ± ω√(ζ² - 1) and
// ω = 2π / response, makes every step decay and turn exactly as the oscillator does. For short
// steps this is spring ≈ k · 0.016 and damping ≈ c · 0.016 with stiffness k = ω² and damping
// c = 2ζω; taken literally, that approximation loses a tenth of the motion and the overshoot.
// Updating the velocity before the position leaves the animation half a step (8 ms) ahead.
class SpringMotion {
    Q_GADGET
    QML_VALUE_TYPE(springMotion)
    Q_PROPERTY(double response READ response CONSTANT)
    Q_PROPERTY(double dampingFraction READ dampingFraction CONSTANT)
    Q_PROPERTY(double spring READ spring CONSTANT)
    Q_PROPERTY(double damping READ damping CONSTANT)

public:
    // SpringAnimation's fixed step.
    static constexpr double step = 0.016;

    SpringMotion() = default;
    // A response that is not above 0 gives a spring of 0: SpringAnimation then jumps.
    SpringMotion(double response, double dampingFraction);

    double response() const { return m_response; }
    double dampingFraction() const { return m_dampingFraction; }
    double spring() const { return m_spring; }
    double damping() const { return m_damping; }

    friend bool operator==(const SpringMotion &, const SpringMotion &) = default;

private:
    double m_response = 0;
    double m_dampingFraction = 1;
    double m_spring = 0;
    double m_damping = 0;
};

} // namespace quintara
