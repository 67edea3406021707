#include "platform/DesktopWords.h"

#include <QHash>

namespace quintara {

QString desktopWords(const QString &text)
{
    // The one table of them all.
    static const QHash<QString, QString> words{
        {QStringLiteral("Paused while your Mac cools down"),
         QStringLiteral("Paused while your computer cools down")},
    };
    return words.value(text, text);
}

} // namespace quintara
