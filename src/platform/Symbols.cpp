#include "platform/Symbols.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>

namespace quintara {

QString symbolResource(const QString &symbol)
{
    static const QHash<QString, QString> files{
        {QStringLiteral("photo.on.rectangle.angled"), QStringLiteral("images")},
        {QStringLiteral("pause.fill"), QStringLiteral("pause")},
        {QStringLiteral("play.fill"), QStringLiteral("play")},
        {QStringLiteral("forward.fill"), QStringLiteral("skip-forward")},
        {QStringLiteral("folder"), QStringLiteral("folder")},
        {QStringLiteral("sparkles"), QStringLiteral("sparkles")},
        {QStringLiteral("music.note"), QStringLiteral("music")},
        {QStringLiteral("checkmark.circle.fill"), QStringLiteral("circle-check")},
        {QStringLiteral("display"), QStringLiteral("monitor")},
        {QStringLiteral("gauge"), QStringLiteral("gauge")},
    };
    const auto it = files.constFind(symbol);
    return it == files.cend() ? QString() : QStringLiteral(":/symbols/%1.svg").arg(it.value());
}

QIcon symbolIcon(const QString &symbol, const QColor &color)
{
    QFile file(symbolResource(symbol));
    if (symbol.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    QByteArray svg = file.readAll();
    svg.replace("currentColor", color.name(QColor::HexRgb).toLatin1());
    QSvgRenderer renderer(svg);
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        QPixmap pixmap(size, size);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        renderer.render(&painter);
        icon.addPixmap(pixmap);
    }
    return icon;
}

} // namespace quintara
