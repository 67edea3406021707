#pragma once

#include "platform/PowerSource.h"

#include <QDBusConnection>

namespace quintara {

class DBusPropertyWatch;

// UPower's `OnBattery` on the system bus.
class UPowerBatterySource final : public BatterySource {
    Q_OBJECT
public:
    explicit UPowerBatterySource(const QDBusConnection &bus = QDBusConnection::systemBus(),
                                 QObject *parent = nullptr);
    bool onBattery() const override;

private:
    DBusPropertyWatch *m_onBattery;
    bool m_isOnBattery = false;
};

// power-profiles-daemon's `ActiveProfile` being "power-saver", under its current bus name or,
// from a daemon that has only that one, the older net.hadess name.
class PowerProfilesSource final : public PowerSaverSource {
    Q_OBJECT
public:
    explicit PowerProfilesSource(const QDBusConnection &bus = QDBusConnection::systemBus(),
                                 QObject *parent = nullptr);
    bool powerSaver() const override;

private:
    void update();

    DBusPropertyWatch *m_current;
    DBusPropertyWatch *m_legacy;
    bool m_powerSaver = false;
};

} // namespace quintara
