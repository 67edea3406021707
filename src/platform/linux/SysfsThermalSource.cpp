#include "platform/linux/SysfsThermalSource.h"

#include <QDir>
#include <QFile>
#include <algorithm>
#include <optional>

namespace quintara {

namespace {

QByteArray readValue(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.read(64).trimmed();
}

// Millidegrees Celsius.
std::optional<qint64> readTemperature(const QString &path)
{
    bool ok = false;
    const qint64 value = readValue(path).toLongLong(&ok);
    return ok ? std::optional(value) : std::nullopt;
}

std::optional<ThermalPressure> pressureOfTrip(const QByteArray &type)
{
    if (type == "critical")
        return ThermalPressure::critical;
    if (type == "passive" || type == "hot")
        return ThermalPressure::serious;
    if (type == "active")
        return ThermalPressure::fair;
    return std::nullopt;
}

ThermalPressure zonePressure(const QDir &zone)
{
    const auto temperature = readTemperature(zone.filePath(QStringLiteral("temp")));
    if (!temperature)
        return ThermalPressure::nominal;
    ThermalPressure pressure = ThermalPressure::nominal;
    const QStringList types = zone.entryList({QStringLiteral("trip_point_*_type")}, QDir::Files);
    for (const QString &typeFile : types) {
        const auto tripPressure = pressureOfTrip(readValue(zone.filePath(typeFile)));
        if (!tripPressure || *tripPressure <= pressure)
            continue;
        QString tempFile = typeFile;
        tempFile.replace(tempFile.size() - 4, 4, QStringLiteral("temp"));
        const auto trip = readTemperature(zone.filePath(tempFile));
        // Drivers report a disabled trip point as zero or below (down to absolute zero); it
        // would otherwise count as always reached.
        if (!trip || *trip <= 0)
            continue;
        if (*temperature >= *trip)
            pressure = *tripPressure;
    }
    return pressure;
}

} // namespace

SysfsThermalSource::SysfsThermalSource(Scheduler &scheduler, const QString &root,
                                       Scheduler::Duration interval, QObject *parent)
    : ThermalSource(parent), m_root(root), m_pressure(read(root))
{
    m_poll = scheduler.every(interval, this, [this] { poll(); });
}

ThermalPressure SysfsThermalSource::read(const QString &root)
{
    const QDir dir(root);
    ThermalPressure worst = ThermalPressure::nominal;
    const QStringList zones = dir.entryList({QStringLiteral("thermal_zone*")},
                                            QDir::Dirs | QDir::NoDotAndDotDot | QDir::System);
    for (const QString &zone : zones)
        worst = std::max(worst, zonePressure(QDir(dir.filePath(zone))));
    return worst;
}

void SysfsThermalSource::poll()
{
    const ThermalPressure pressure = read(m_root);
    if (pressure == m_pressure)
        return;
    m_pressure = pressure;
    emit changed();
}

} // namespace quintara
