#pragma once

#include <QColor>
#include <QIcon>
#include <QString>

namespace quintara {

// The app names its icons by symbol names ("photo.on.rectangle.angled", "sparkles", ...); this
// maps each to a bundled SVG. Unknown names give an empty path and a null icon.
QString symbolResource(const QString &symbol);
// The symbol drawn in `color` (the SVGs draw in "currentColor").
QIcon symbolIcon(const QString &symbol, const QColor &color);

} // namespace quintara
