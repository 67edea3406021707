#include "app/PowerRules.h"

#include <QPointer>

namespace quintara {

PowerRules::PowerRules(AppSettings &settings, PowerMonitor &power, Scheduler &scheduler,
                       PowerPauseTarget &target, QObject *parent)
    : QObject(parent), m_settings(settings), m_power(power), m_scheduler(scheduler),
      m_target(target)
{
    m_power.setOnChange([rules = QPointer<PowerRules>(this)] {
        if (rules)
            rules->apply();
    });
    connect(&m_settings, &AppSettings::pauseOnBatteryWillChange, this, &PowerRules::applySoon);
    connect(&m_settings, &AppSettings::pauseInLowPowerWillChange, this, &PowerRules::applySoon);
    connect(&m_settings, &AppSettings::pauseWhenHotWillChange, this, &PowerRules::applySoon);
    applySoon();
}

OptionalPauseReason PowerRules::evaluate(const AppSettings &settings, const PowerMonitor &power)
{
    if (settings.pauseWhenHot() && power.isHot())
        return PauseReason::hot;
    if (settings.pauseInLowPower() && power.isLowPowerMode())
        return PauseReason::lowPower;
    if (settings.pauseOnBattery() && power.isOnBattery())
        return PauseReason::battery;
    return std::nullopt;
}

void PowerRules::apply()
{
    const OptionalPauseReason pause = evaluate(m_settings, m_power);
    if (pause == m_target.powerPause())
        return;
    m_target.setPowerPause(pause);
    m_target.updateRates();
    m_target.reportPlayback();
}

void PowerRules::applySoon()
{
    // One evaluation after the store covers every change made in the same turn.
    if (m_pending.isPending())
        return;
    m_pending = m_scheduler.after(Scheduler::Duration::zero(), this, [this] { apply(); });
}

} // namespace quintara
