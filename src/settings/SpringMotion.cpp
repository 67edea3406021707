#include "settings/SpringMotion.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quintara {

SpringMotion::SpringMotion(double response, double dampingFraction)
    : m_response(response), m_dampingFraction(std::max(0.0, dampingFraction))
{
    if (!(response > 0) || !std::isfinite(response) || !std::isfinite(dampingFraction))
        return;
    const double omega = 2 * std::numbers::pi / response;
    const double zeta = m_dampingFraction;
    const double decay = std::exp(-zeta * omega * step);
    // The sum of the two eigenvalues: a turn for an underdamped spring, two decays otherwise.
    const double q = 1 - zeta * zeta;
    const double trace =
        2 * decay *
        (q >= 0 ? std::cos(omega * std::sqrt(q) * step) : std::cosh(omega * std::sqrt(-q) * step));
    const double determinant = decay * decay;
    m_damping = 1 - determinant;
    m_spring = (1 + determinant - trace) / step;
}

} // namespace quintara
