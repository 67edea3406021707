#pragma once

#include <QObject>
#include <QString>
#include <QtQml/qqmlregistration.h>
#include <array>

namespace quintara {

// The enumeration stands in a namespace of its own, which Qt's meta-object system describes, so
// that properties, QVariant and QML know its cases.
namespace fill_mode {
Q_NAMESPACE
QML_NAMED_ELEMENT(FillMode)

// How a video is scaled into its display or canvas.
enum class FillMode { fill, fit, stretch };
Q_ENUM_NS(FillMode)
} // namespace fill_mode

using fill_mode::FillMode;

constexpr std::array<FillMode, 3> allFillModes{FillMode::fill, FillMode::fit, FillMode::stretch};

QString rawValue(FillMode mode);
// "fit" and "stretch" give their cases; anything else, letter case included, gives fill.
FillMode fillModeFromRaw(const QString &raw);
// The label the control panel shows: "Fill", "Fit", "Stretch".
QString label(FillMode mode);

} // namespace quintara
