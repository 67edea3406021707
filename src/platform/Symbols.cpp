#include "platform/Symbols.h"

#include <QFile>
#include <QHash>
#include <QPainter>
#include <QPixmap>
#include <QSvgRenderer>
#include <algorithm>

namespace quintara {

namespace {

// Symbol name to icon file (data/symbols, Lucide). Filled variants map to the outlined icon.
const QHash<QString, QString> &table()
{
    static const QHash<QString, QString> files{
        {QStringLiteral("arrow.down.circle.fill"), QStringLiteral("circle-arrow-down")},
        {QStringLiteral("backward.fill"), QStringLiteral("skip-back")},
        {QStringLiteral("bubble.left.and.text.bubble.right"), QStringLiteral("messages-square")},
        {QStringLiteral("capsule"), QStringLiteral("toggle-left")},
        {QStringLiteral("capsule.inset.filled"), QStringLiteral("toggle-right")},
        {QStringLiteral("checkmark"), QStringLiteral("check")},
        {QStringLiteral("checkmark.circle.fill"), QStringLiteral("circle-check")},
        {QStringLiteral("chevron.left"), QStringLiteral("chevron-left")},
        {QStringLiteral("display"), QStringLiteral("monitor")},
        {QStringLiteral("display.2"), QStringLiteral("monitors")},
        {QStringLiteral("ellipsis"), QStringLiteral("ellipsis")},
        {QStringLiteral("exclamationmark.bubble.fill"), QStringLiteral("message-circle-warning")},
        {QStringLiteral("exclamationmark.triangle.fill"), QStringLiteral("triangle-alert")},
        {QStringLiteral("film.stack"), QStringLiteral("film")},
        {QStringLiteral("folder"), QStringLiteral("folder")},
        {QStringLiteral("forward.fill"), QStringLiteral("skip-forward")},
        {QStringLiteral("gauge"), QStringLiteral("gauge")},
        {QStringLiteral("globe"), QStringLiteral("globe")},
        {QStringLiteral("hare.fill"), QStringLiteral("rabbit")},
        {QStringLiteral("music.note"), QStringLiteral("music")},
        {QStringLiteral("pause.fill"), QStringLiteral("pause")},
        {QStringLiteral("photo"), QStringLiteral("image")},
        {QStringLiteral("photo.on.rectangle.angled"), QStringLiteral("images")},
        {QStringLiteral("play.fill"), QStringLiteral("play")},
        {QStringLiteral("play.rectangle.fill"), QStringLiteral("rectangle-horizontal-play")},
        {QStringLiteral("plus"), QStringLiteral("plus")},
        {QStringLiteral("rectangle.split.3x1"), QStringLiteral("columns-3")},
        {QStringLiteral("shuffle"), QStringLiteral("shuffle")},
        {QStringLiteral("sparkles"), QStringLiteral("sparkles")},
        {QStringLiteral("speedometer"), QStringLiteral("gauge")},
        {QStringLiteral("square.grid.2x2"), QStringLiteral("layout-grid")},
        {QStringLiteral("tag"), QStringLiteral("tag")},
        {QStringLiteral("tag.slash"), QStringLiteral("tag-x")},
        {QStringLiteral("terminal"), QStringLiteral("terminal")},
        {QStringLiteral("tortoise.fill"), QStringLiteral("turtle")},
        {QStringLiteral("waveform"), QStringLiteral("audio-waveform")},
        {QStringLiteral("wifi.exclamationmark"), QStringLiteral("wifi-off")},
    };
    return files;
}

} // namespace

QString symbolResource(const QString &symbol)
{
    const auto it = table().constFind(symbol);
    return it == table().cend() ? QString() : QStringLiteral(":/symbols/%1.svg").arg(it.value());
}

QStringList symbolNames()
{
    return table().keys();
}

QImage renderSymbol(const QString &symbol, const QColor &color, QSize size)
{
    QFile file(symbolResource(symbol));
    if (size.isEmpty() || symbol.isEmpty() || !file.open(QIODevice::ReadOnly))
        return {};
    QByteArray svg = file.readAll();
    svg.replace("currentColor", color.name(QColor::HexRgb).toLatin1());
    QSvgRenderer renderer(svg);
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setOpacity(color.alphaF());
    // Square icons in a square of the shorter side, centred.
    const int side = std::min(size.width(), size.height());
    renderer.render(&painter,
                    QRectF((size.width() - side) / 2.0, (size.height() - side) / 2.0, side, side));
    return image;
}

QIcon symbolIcon(const QString &symbol, const QColor &color)
{
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64}) {
        const QImage image = renderSymbol(symbol, color, QSize(size, size));
        if (image.isNull())
            return {};
        icon.addPixmap(QPixmap::fromImage(image));
    }
    return icon;
}

} // namespace quintara
