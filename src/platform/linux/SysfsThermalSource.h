#pragma once

#include "platform/PowerSource.h"
#include "platform/Scheduler.h"

#include <QString>
#include <chrono>

namespace quintara {

// Thermal pressure from the kernel's thermal zones (`<root>/thermal_zone*/`): the worst zone
// counts. A zone at or above one of its `critical` trip points is critical, at or above a
// `passive` or `hot` trip point serious, at or above an `active` one (fans running) fair.
// The kernel sends no notification, so the zones are read again every `interval`.
class SysfsThermalSource final : public ThermalSource {
    Q_OBJECT
public:
    static constexpr Scheduler::Duration defaultInterval = std::chrono::seconds(5);

    // `scheduler` is not owned and must outlive the source.
    explicit SysfsThermalSource(Scheduler &scheduler,
                                const QString &root = QStringLiteral("/sys/class/thermal"),
                                Scheduler::Duration interval = defaultInterval,
                                QObject *parent = nullptr);

    ThermalPressure pressure() const override { return m_pressure; }

    // The pressure the zones below `root` show right now; nominal when there are none or none
    // can be read.
    static ThermalPressure read(const QString &root);

private:
    void poll();

    QString m_root;
    ThermalPressure m_pressure = ThermalPressure::nominal;
    ScheduledTask m_poll;
};

} // namespace quintara
