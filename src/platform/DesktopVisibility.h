#pragma once

#include <QObject>
#include <QRect>

namespace quintara {

// Whether any part of a display's desktop can be seen, i.e. the windows standing above the
// wallpaper do not cover it entirely. `mayHaveChanged` fires in bursts; listeners debounce.
class DesktopVisibility : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    virtual bool anyPartVisible(const QRect &displayFrame) const = 0;

signals:
    void mayHaveChanged();
};

} // namespace quintara
