#include "settings/PlaybackSpeed.h"

namespace quintara {

QString speedTitle(double speed, const QLocale &locale)
{
    QString text = locale.toString(speed, 'f', 2);
    // Drop trailing zeros of the fraction, and the separator when nothing is left.
    const QString decimal = locale.decimalPoint();
    if (text.contains(decimal)) {
        while (text.endsWith(locale.zeroDigit()))
            text.chop(locale.zeroDigit().size());
        if (text.endsWith(decimal))
            text.chop(decimal.size());
    }
    return text + QStringLiteral("\u00d7");
}

} // namespace quintara
