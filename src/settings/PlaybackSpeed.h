#pragma once

#include <QLocale>
#include <QString>
#include <array>

namespace quintara {

// The speeds the menus offer.
inline constexpr std::array<double, 6> speedChoices{0.25, 0.5, 0.75, 1.0, 1.25, 1.5};

// "0.25×", "1×", "1,25×": the speed in `locale` with at most two fraction digits.
QString speedTitle(double speed, const QLocale &locale);

} // namespace quintara
