#pragma once

#include <QList>
#include <QRect>
#include <QString>

namespace quintara {

// One connected display as the wallpaper engine sees it.
struct DisplayInfo {
    QString id;   // stable across reconnecting and rearranging (the key of per-display wallpapers)
    QString name; // the human name, as in the log
    QRect frame;  // in the global desktop space (top-left origin, y downwards)
    QString connector; // the system's own name for the output (HDMI-1, DUMMY0, ...)
    // The frame in the window system's device pixels, where other windows are measured; empty
    // when it is `frame` itself (an unscaled desktop).
    QRect pixelFrame = {};

    QRect devicePixelFrame() const { return pixelFrame.isEmpty() ? frame : pixelFrame; }

    friend bool operator==(const DisplayInfo &, const DisplayInfo &) = default;
};

// The connected displays, in the order the system lists them.
class DisplayServer {
public:
    virtual ~DisplayServer() = default;
    virtual QList<DisplayInfo> displays() const = 0;
};

} // namespace quintara
