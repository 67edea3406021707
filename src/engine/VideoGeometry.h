#pragma once

#include "settings/FillMode.h"

#include <QList>
#include <QRect>
#include <QRectF>
#include <QSizeF>

namespace quintara {

// The rectangle a video of natural size `content` occupies when scaled into `in` under `mode`,
// centred on `in`. An unknown size (zero, negative or not a number) covers `in` as it is.
QRectF videoRect(const QSizeF &content, const QRectF &in, FillMode mode);

// The smallest rectangle containing every display frame; empty for no display.
QRect spanningCanvas(const QList<QRect> &displayFrames);

// The frame of a display's video layer inside that display's window (origin at the window's
// top-left corner, y growing downwards, as Qt's global space does). Without spanning the layer
// covers the window edge to edge. With spanning it is the whole canvas of all displays, placed so
// that the window shows exactly the part of the canvas its display covers.
QRectF layerFrame(const QRect &display, const QList<QRect> &allDisplays, bool spanning);

} // namespace quintara
