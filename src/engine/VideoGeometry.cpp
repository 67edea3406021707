#include "engine/VideoGeometry.h"

#include <algorithm>

namespace quintara {

QRectF videoRect(const QSizeF &content, const QRectF &in, FillMode mode)
{
    // `!(x > 0)` also catches NaN.
    if (!(content.width() > 0) || !(content.height() > 0))
        return in;
    if (mode == FillMode::stretch)
        return in;
    const double sx = in.width() / content.width();
    const double sy = in.height() / content.height();
    const double s = mode == FillMode::fill ? std::max(sx, sy) : std::min(sx, sy);
    const double w = content.width() * s;
    const double h = content.height() * s;
    return {in.center().x() - w * 0.5, in.center().y() - h * 0.5, w, h};
}

QRect spanningCanvas(const QList<QRect> &displayFrames)
{
    QRect canvas;
    for (const QRect &frame : displayFrames)
        canvas = canvas.isNull() ? frame : canvas.united(frame);
    return canvas;
}

QRectF layerFrame(const QRect &display, const QList<QRect> &allDisplays, bool spanning)
{
    if (!spanning)
        return QRectF(0, 0, display.width(), display.height());
    // The window's origin is the display's top-left corner, so the canvas's top-left corner sits
    // at its global offset from there; for a display below or right of others it is negative.
    const QRect canvas =
        spanningCanvas(allDisplays.isEmpty() ? QList<QRect>{display} : allDisplays);
    return QRectF(canvas.left() - display.left(), canvas.top() - display.top(), canvas.width(),
                  canvas.height());
}

} // namespace quintara
