#include "settings/FillMode.h"

namespace quintara {

QString rawValue(FillMode mode)
{
    switch (mode) {
    case FillMode::fill:
        return QStringLiteral("fill");
    case FillMode::fit:
        return QStringLiteral("fit");
    case FillMode::stretch:
        return QStringLiteral("stretch");
    }
    return QStringLiteral("fill");
}

FillMode fillModeFromRaw(const QString &raw)
{
    if (raw == QLatin1String("fit"))
        return FillMode::fit;
    if (raw == QLatin1String("stretch"))
        return FillMode::stretch;
    return FillMode::fill;
}

QString label(FillMode mode)
{
    switch (mode) {
    case FillMode::fill:
        return QStringLiteral("Fill");
    case FillMode::fit:
        return QStringLiteral("Fit");
    case FillMode::stretch:
        return QStringLiteral("Stretch");
    }
    return QStringLiteral("Fill");
}

} // namespace quintara
