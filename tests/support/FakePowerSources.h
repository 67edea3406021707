#pragma once

#include "platform/PowerSource.h"

#include <QString>

namespace quintara::test {

// Power sources the test sets by hand. Every assignment reports a change, even to the same
// value, the way a system notification may arrive without anything having changed.
class FakeBattery final : public BatterySource {
    Q_OBJECT
public:
    bool onBattery() const override { return m_value; }
    void set(bool value)
    {
        m_value = value;
        emit changed();
    }

private:
    bool m_value = false;
};

class FakePowerSaver final : public PowerSaverSource {
    Q_OBJECT
public:
    bool powerSaver() const override { return m_value; }
    void set(bool value)
    {
        m_value = value;
        emit changed();
    }

private:
    bool m_value = false;
};

class FakeThermal final : public ThermalSource {
    Q_OBJECT
public:
    ThermalPressure pressure() const override { return m_value; }
    void set(ThermalPressure value)
    {
        m_value = value;
        emit changed();
    }

private:
    ThermalPressure m_value = ThermalPressure::nominal;
};

// Fake sources handed to a monitor, with the test keeping a way to set them.
class FakePowerSources {
public:
    FakeBattery *const battery = new FakeBattery;
    FakePowerSaver *const powerSaver = new FakePowerSaver;
    FakeThermal *const thermal = new FakeThermal;

    // Hands ownership on; the pointers above stay valid for as long as the receiver keeps them.
    PowerSources take() { return std::move(m_sources); }

private:
    PowerSources m_sources{std::unique_ptr<BatterySource>(battery),
                           std::unique_ptr<PowerSaverSource>(powerSaver),
                           std::unique_ptr<ThermalSource>(thermal)};
};

// The power monitor's line for a state.
inline QString powerLine(bool battery, bool lowPower, bool hot)
{
    auto flag = [](bool value) { return value ? "true" : "false"; };
    return QStringLiteral("Quintara: power \u2014 battery=%1 lowPower=%2 hot=%3")
        .arg(flag(battery), flag(lowPower), flag(hot));
}

} // namespace quintara::test
