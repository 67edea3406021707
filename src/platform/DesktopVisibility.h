#pragma once

#include <QObject>
#include <QRect>

namespace quintara {

// Whether any part of a display's desktop can be seen, i.e. the windows standing above the
// wallpaper do not cover it entirely; and the same for one of the app's own windows against the
// windows stacked above it. Rectangles are in the window system's device pixels.
// `mayHaveChanged` fires in bursts; listeners debounce.
class DesktopVisibility : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual bool anyPartVisible(const QRect &displayFrame) const = 0;
    // `window` is a native window id; true when nothing can be told about it.
    virtual bool windowPartlyVisible(quintptr window) const
    {
        Q_UNUSED(window);
        return true;
    }

signals:
    void mayHaveChanged();
};

} // namespace quintara
