#include "platform/linux/LinuxPowerSources.h"

#include "platform/linux/DBusPowerSources.h"
#include "platform/linux/SysfsThermalSource.h"

namespace quintara {

PowerSources linuxPowerSources(Scheduler &scheduler, const QDBusConnection &bus,
                               const QString &thermalRoot)
{
    PowerSources sources;
    sources.battery = std::make_unique<UPowerBatterySource>(bus);
    sources.powerSaver = std::make_unique<PowerProfilesSource>(bus);
    sources.thermal = std::make_unique<SysfsThermalSource>(scheduler, thermalRoot);
    return sources;
}

} // namespace quintara
