#include "settings/SymbolTable.h"

#include "platform/LogSink.h"
#include "platform/Symbols.h"
#include "settings/QmlSingleton.h"

namespace quintara {

SymbolTable *SymbolTable::create(QQmlEngine *qml, QJSEngine *)
{
    return qml_singleton::instance<SymbolTable>(qml);
}

QUrl SymbolTable::source(const QString &name, const QColor &color)
{
    if (symbolResource(name).isEmpty()) {
        if (!name.isEmpty() && !m_reported.contains(name)) {
            m_reported.insert(name);
            log::line(QStringLiteral("Quintara: no symbol named \"%1\"").arg(name));
        }
        return {};
    }
    const QString argb = color.name(QColor::HexArgb).mid(1);
    return QUrl(QStringLiteral("image://%1/%2/%3").arg(QLatin1String(providerId), argb, name));
}

QImage SymbolImageProvider::requestImage(const QString &id, QSize *size, const QSize &requestedSize)
{
    const qsizetype slash = id.indexOf(QLatin1Char('/'));
    const QColor color(QLatin1Char('#') + id.left(slash));
    QSize wanted(requestedSize.width() > 0 ? requestedSize.width() : requestedSize.height(),
                 requestedSize.height() > 0 ? requestedSize.height() : requestedSize.width());
    if (wanted.isEmpty())
        wanted = QSize(defaultSide, defaultSide);
    const QImage image =
        slash < 0 || !color.isValid() ? QImage() : renderSymbol(id.mid(slash + 1), color, wanted);
    if (size)
        *size = image.size();
    return image;
}

} // namespace quintara
