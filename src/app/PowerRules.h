#pragma once

#include "engine/PauseReason.h"
#include "engine/PowerMonitor.h"
#include "engine/PowerPauseTarget.h"
#include "platform/Scheduler.h"
#include "settings/AppSettings.h"

#include <QObject>

namespace quintara {

// Turns the power monitor's observations and the settings pauseWhenHot, pauseInLowPower and
// pauseOnBattery into the wallpaper engine's power pause. Installs itself when created: it
// follows the monitor's changes and the three settings, and evaluates once on the next turn of
// the event loop.
class PowerRules : public QObject {
    Q_OBJECT
public:
    // None of the references is owned; all must outlive the rules.
    PowerRules(AppSettings &settings, PowerMonitor &power, Scheduler &scheduler,
               PowerPauseTarget &target, QObject *parent = nullptr);

    // First match wins: hot, then low power, then battery; none otherwise.
    static OptionalPauseReason evaluate(const AppSettings &settings, const PowerMonitor &power);

    // Evaluates the rules and, only when the result differs from the target's power pause,
    // stores it and has the target update its players and report the new state.
    void apply();

private:
    // Settings observers run before the new value is stored, so they evaluate a turn later.
    void applySoon();

    AppSettings &m_settings;
    PowerMonitor &m_power;
    Scheduler &m_scheduler;
    PowerPauseTarget &m_target;
    ScheduledTask m_pending;
};

} // namespace quintara
