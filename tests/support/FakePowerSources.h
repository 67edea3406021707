#pragma once

#include "platform/PowerSource.h"

#include <QString>

namespace quintara::test {

// A power source the test sets by hand. Every assignment reports a change, even to the same
// value, the way a system notification may arrive without anything having changed.
template <typename Source, typename Value> class FakeSource : public Source {
public:
    void set(Value value)
    {
        m_value = value;
        emit this->changed();
    }

protected:
    Value m_value{};
};

struct FakeBattery final : FakeSource<BatterySource, bool> {
    bool onBattery() const override { return m_value; }
};
struct FakePowerSaver final : FakeSource<PowerSaverSource, bool> {
    bool powerSaver() const override { return m_value; }
};
struct FakeThermal final : FakeSource<ThermalSource, ThermalPressure> {
    ThermalPressure pressure() const override { return m_value; }
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
