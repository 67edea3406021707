#pragma once

#include <QObject>
#include <memory>

namespace quintara {

// How hard the machine is working to stay cool, mildest first.
enum class ThermalPressure { nominal, fair, serious, critical };

// One observation of the machine's power state. Reading never fails: a service that is not
// there, or data that cannot be read, reads as the calm value (mains power, no power saving,
// nominal pressure). `changed` is emitted on the main thread after the reading changed.
class PowerSource : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

signals:
    void changed();
};

// Whether the machine draws its power from a battery.
class BatterySource : public PowerSource {
    Q_OBJECT
public:
    using PowerSource::PowerSource;
    virtual bool onBattery() const = 0;
};

// Whether the system's power-saving mode is on.
class PowerSaverSource : public PowerSource {
    Q_OBJECT
public:
    using PowerSource::PowerSource;
    virtual bool powerSaver() const = 0;
};

// The system's thermal pressure.
class ThermalSource : public PowerSource {
    Q_OBJECT
public:
    using PowerSource::PowerSource;
    virtual ThermalPressure pressure() const = 0;
};

// The three observations the power monitor is built on; a missing one reads as calm.
struct PowerSources {
    std::unique_ptr<BatterySource> battery;
    std::unique_ptr<PowerSaverSource> powerSaver;
    std::unique_ptr<ThermalSource> thermal;
};

} // namespace quintara
