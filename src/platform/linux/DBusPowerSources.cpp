#include "platform/linux/DBusPowerSources.h"

#include "platform/linux/DBusPropertyWatch.h"

namespace quintara {

UPowerBatterySource::UPowerBatterySource(const QDBusConnection &bus, QObject *parent)
    : BatterySource(parent),
      m_onBattery(new DBusPropertyWatch(
          bus, QStringLiteral("org.freedesktop.UPower"), QStringLiteral("/org/freedesktop/UPower"),
          QStringLiteral("org.freedesktop.UPower"), QStringLiteral("OnBattery"), this))
{
    connect(m_onBattery, &DBusPropertyWatch::updated, this, [this] {
        const QVariant value = m_onBattery->value();
        const bool onBattery = value.typeId() == QMetaType::Bool && value.toBool();
        if (onBattery == m_isOnBattery)
            return;
        m_isOnBattery = onBattery;
        emit changed();
    });
}

bool UPowerBatterySource::onBattery() const
{
    return m_isOnBattery;
}

PowerProfilesSource::PowerProfilesSource(const QDBusConnection &bus, QObject *parent)
    : PowerSaverSource(parent),
      m_current(new DBusPropertyWatch(bus, QStringLiteral("org.freedesktop.UPower.PowerProfiles"),
                                      QStringLiteral("/org/freedesktop/UPower/PowerProfiles"),
                                      QStringLiteral("org.freedesktop.UPower.PowerProfiles"),
                                      QStringLiteral("ActiveProfile"), this)),
      m_legacy(new DBusPropertyWatch(bus, QStringLiteral("net.hadess.PowerProfiles"),
                                     QStringLiteral("/net/hadess/PowerProfiles"),
                                     QStringLiteral("net.hadess.PowerProfiles"),
                                     QStringLiteral("ActiveProfile"), this))
{
    connect(m_current, &DBusPropertyWatch::updated, this, &PowerProfilesSource::update);
    connect(m_legacy, &DBusPropertyWatch::updated, this, &PowerProfilesSource::update);
}

bool PowerProfilesSource::powerSaver() const
{
    return m_powerSaver;
}

void PowerProfilesSource::update()
{
    // Current daemons answer under both names with the same value; the current name wins
    // whenever it answers at all, and the older one counts only once the current one is known
    // to be absent, so that a start-up does not flicker through the older name's value.
    if (m_current->pending())
        return;
    QVariant profile = m_current->value();
    if (!profile.isValid()) {
        if (m_legacy->pending())
            return;
        profile = m_legacy->value();
    }
    const bool powerSaver = profile.typeId() == QMetaType::QString &&
                            profile.toString() == QLatin1String("power-saver");
    if (powerSaver == m_powerSaver)
        return;
    m_powerSaver = powerSaver;
    emit changed();
}

} // namespace quintara
