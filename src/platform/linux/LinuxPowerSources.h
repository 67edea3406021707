#pragma once

#include "platform/PowerSource.h"
#include "platform/Scheduler.h"

#include <QDBusConnection>
#include <QString>

namespace quintara {

// UPower for the battery, power-profiles-daemon for power saving and the sysfs thermal zones
// below `thermalRoot`, polled through `scheduler` (not owned; it must outlive the sources).
PowerSources linuxPowerSources(Scheduler &scheduler,
                               const QDBusConnection &bus = QDBusConnection::systemBus(),
                               const QString &thermalRoot = QStringLiteral("/sys/class/thermal"));

} // namespace quintara
