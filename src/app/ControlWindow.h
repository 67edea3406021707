#pragma once

#include "platform/KeyValueStore.h"
#include "platform/Scheduler.h"

#include <QObject>
#include <QRect>

class QQuickView;

namespace quintara {

// The control-panel window: made on first use, then kept; closing only hides it. Its frame is
// saved under "QuintaraControls" and restored when it is made again in a later run.
class ControlWindow : public QObject {
    Q_OBJECT
public:
    static constexpr char frameKey[] = "QuintaraControls";
    static constexpr QSize initialSize{1180, 780};

    ControlWindow(KeyValueStore &defaults, Scheduler &scheduler, QObject *parent = nullptr);
    ~ControlWindow() override;

    // Shows the window (making it the first time), restores it from minimised, raises it and
    // activates the application.
    void show();
    // The window, once made.
    QQuickView *window() const { return m_view; }

private:
    void create();
    void scheduleFrameSave();
    void saveFrame();

    KeyValueStore &m_defaults;
    Scheduler &m_scheduler;
    QQuickView *m_view = nullptr;
    ScheduledTask m_pendingSave;
};

} // namespace quintara
