#pragma once

#include <QColor>
#include <QIcon>
#include <QImage>
#include <QSize>
#include <QString>
#include <QStringList>

namespace quintara {

// The app names its icons by symbol names ("photo.on.rectangle.angled", "sparkles", ...); this
// maps each to a bundled SVG. Unknown names give an empty path and a null icon.
QString symbolResource(const QString &symbol);
// Every name the table knows.
QStringList symbolNames();
// The symbol drawn in `color` (the SVGs draw in "currentColor") into a transparent square of
// `size`, centred; a null image for an unknown name or an empty size.
QImage renderSymbol(const QString &symbol, const QColor &color, QSize size);
// The symbol drawn in `color` at the sizes of menus and trays.
QIcon symbolIcon(const QString &symbol, const QColor &color);

} // namespace quintara
