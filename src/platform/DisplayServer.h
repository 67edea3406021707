#pragma once

#include <QList>
#include <QObject>
#include <QRect>
#include <QString>

namespace quintara {

// One connected display as the wallpaper engine sees it.
struct DisplayInfo {
    QString id;   // stable across reconnecting and rearranging (the key of per-display wallpapers)
    QString name; // the human name, as in the log
    QRect frame;  // in the global desktop space (top-left origin, y downwards)
    QString connector; // the system's own name for the output (HDMI-1, DUMMY0, ...)

    friend bool operator==(const DisplayInfo &, const DisplayInfo &) = default;
};

// The connected displays, in the order the system lists them.
class DisplayServer {
public:
    virtual ~DisplayServer() = default;
    virtual QList<DisplayInfo> displays() const = 0;
};

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

// The displays going to sleep and waking up.
class DisplayPower : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    void displaysDidSleep();
    void displaysDidWake();
};

} // namespace quintara

class QWindow;

namespace quintara {

// Gives a top-level window the wallpaper's place on the window system: below every other window,
// on every workspace, out of the taskbar and pager, never focused, letting clicks through.
class DesktopWindowRole {
public:
    virtual ~DesktopWindowRole() = default;
    // Before the window is first shown (its native window exists).
    virtual void prepare(QWindow &window) = 0;
    // After it is shown, for what the window manager only takes from mapped windows.
    virtual void shown(QWindow &window) = 0;
};

} // namespace quintara
