#pragma once

#include <QString>
#include <array>

namespace quintara {

// How a video is scaled into its display or canvas.
enum class FillMode { fill, fit, stretch };

constexpr std::array<FillMode, 3> allFillModes{FillMode::fill, FillMode::fit, FillMode::stretch};

QString rawValue(FillMode mode);
// "fit" and "stretch" give their cases; anything else, letter case included, gives fill.
FillMode fillModeFromRaw(const QString &raw);
// The label the control panel shows: "Fill", "Fit", "Stretch".
QString label(FillMode mode);

} // namespace quintara
