#include "engine/PowerMonitor.h"

#include "platform/LogSink.h"

namespace quintara {

namespace {
QString flag(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}
} // namespace

PowerMonitor::PowerMonitor(PowerSources sources, QObject *parent)
    : QObject(parent), m_sources(std::move(sources))
{
    refresh();
    for (PowerSource *source : {static_cast<PowerSource *>(m_sources.battery.get()),
                                static_cast<PowerSource *>(m_sources.powerSaver.get()),
                                static_cast<PowerSource *>(m_sources.thermal.get())})
        if (source)
            connect(source, &PowerSource::changed, this, &PowerMonitor::refresh);
}

PowerMonitor::~PowerMonitor()
{
    // The sources go first, so none reports into a half-destroyed monitor.
    m_sources = {};
}

void PowerMonitor::refresh()
{
    const bool battery = m_sources.battery && m_sources.battery->onBattery();
    const bool lowPower = m_sources.powerSaver && m_sources.powerSaver->powerSaver();
    const bool hot = m_sources.thermal && m_sources.thermal->pressure() >= ThermalPressure::serious;
    if (battery == m_isOnBattery && lowPower == m_isLowPowerMode && hot == m_isHot)
        return;
    m_isOnBattery = battery;
    m_isLowPowerMode = lowPower;
    m_isHot = hot;
    log::line(QStringLiteral("Quintara: power \u2014 battery=%1 lowPower=%2 hot=%3")
                  .arg(flag(battery), flag(lowPower), flag(hot)));
    if (m_onChange)
        m_onChange();
    emit changed();
}

} // namespace quintara
