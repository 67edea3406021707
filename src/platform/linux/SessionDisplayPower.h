#pragma once

#include "platform/DisplayPower.h"
#include "platform/Scheduler.h"

namespace quintara {

// Display sleep and wake on a Linux session: the screen saver (org.freedesktop.ScreenSaver on the
// session bus: its state at start, then ActiveChanged), logind's PrepareForSleep (system bus),
// and the X server's DPMS state, under which a display that is off counts as asleep. DPMS sends
// no news, so it is read at start and whenever the screen saver changes, and looked at again
// every few seconds only while it holds the displays off. A bus, service or extension that is
// missing (Xvfb has no DPMS) simply reports nothing.
class SessionDisplayPower final : public DisplayPower {
    Q_OBJECT
public:
    static constexpr Scheduler::Duration dpmsRecheck{3000};

    // `scheduler` is not owned and must outlive this object.
    explicit SessionDisplayPower(Scheduler &scheduler, QObject *parent = nullptr);

private slots:
    void screenSaverActiveChanged(bool active);
    void prepareForSleep(bool sleeping);

private:
    void update();

    Scheduler &m_scheduler;
    ScheduledTask m_dpmsCheck;
    bool m_screenSaverActive = false;
    bool m_screenSaverHeard = false;
    bool m_systemSleeping = false;
};

// Whether the X server's DPMS holds its displays off (standby, suspend or off); false without an
// X server or without the extension.
bool dpmsDisplaysOff();

} // namespace quintara
