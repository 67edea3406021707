#pragma once

#include "platform/PowerSource.h"

#include <QObject>
#include <functional>

namespace quintara {

// Observes the power source, the power-saving mode and the thermal pressure. Reads them at once
// when created and again whenever a source reports a change; each real change is logged and
// then reported once, through `onChange` and the `changed` signal.
class PowerMonitor : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isOnBattery READ isOnBattery NOTIFY changed)
    Q_PROPERTY(bool isLowPowerMode READ isLowPowerMode NOTIFY changed)
    Q_PROPERTY(bool isHot READ isHot NOTIFY changed)

public:
    // Owns the sources; a missing one reads as calm.
    explicit PowerMonitor(PowerSources sources, QObject *parent = nullptr);
    ~PowerMonitor() override;

    bool isOnBattery() const { return m_isOnBattery; }
    bool isLowPowerMode() const { return m_isLowPowerMode; }
    // Serious or critical thermal pressure.
    bool isHot() const { return m_isHot; }

    // Called after any of the three observations changed; set once by the power rules.
    void setOnChange(std::function<void()> onChange) { m_onChange = std::move(onChange); }

    // Re-reads the three observations; logs and reports only when one of them changed.
    void refresh();

signals:
    void changed();

private:
    PowerSources m_sources;
    std::function<void()> m_onChange;
    bool m_isOnBattery = false;
    bool m_isLowPowerMode = false;
    bool m_isHot = false;
};

} // namespace quintara
