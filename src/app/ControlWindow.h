#pragma once

#include "platform/KeyValueStore.h"
#include "platform/Scheduler.h"

#include <QObject>
#include <QRect>

class QQuickWindow;

namespace quintara {

class LibraryModel;
class ViewEngine;

// The control-panel window: made on first use from the app's one QML engine, then kept; closing
// only hides it. Its frame is saved under "QuintaraControls" and restored when it is made again
// in a later run. The window's view shows `library`, which appears with the window.
class ControlWindow : public QObject {
    Q_OBJECT
public:
    static constexpr char frameKey[] = "QuintaraControls";
    static constexpr QSize initialSize{1180, 780};

    // Nothing is owned; everything must outlive the window.
    ControlWindow(ViewEngine &views, LibraryModel &library, KeyValueStore &defaults,
                  Scheduler &scheduler, QObject *parent = nullptr);
    ~ControlWindow() override;

    // Shows the window (making it the first time), restores it from minimised, raises it and
    // activates the application.
    void show();
    // The window, once made.
    QQuickWindow *window() const { return m_window; }

private:
    void create();
    void scheduleFrameSave();
    void saveFrame();

    ViewEngine &m_views;
    LibraryModel &m_library;
    KeyValueStore &m_defaults;
    Scheduler &m_scheduler;
    QQuickWindow *m_window = nullptr;
    ScheduledTask m_pendingSave;
};

} // namespace quintara
