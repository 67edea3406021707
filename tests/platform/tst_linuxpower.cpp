#include "DBusMock.h"
#include "FakePowerSources.h"
#include "Rows.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "engine/PowerMonitor.h"
#include "platform/LogSink.h"
#include "platform/linux/LinuxPowerSources.h"
#include "platform/linux/SysfsThermalSource.h"

#include <QDBusMessage>
#include <QDir>
#include <memory>

using namespace quintara;
using test::DBusMock;
using test::powerLine;

namespace {

// The system services, as python3-dbusmock plays them on the system bus.
std::unique_ptr<DBusMock> upower(bool onBattery)
{
    return std::make_unique<DBusMock>(
        "org.freedesktop.UPower", "/org/freedesktop/UPower", "org.freedesktop.UPower",
        QStringList{"--template", "upower", "-p",
                    QStringLiteral(R"({"OnBattery": %1})").arg(onBattery ? "true" : "false")},
        true);
}

std::unique_ptr<DBusMock> powerProfiles(const QString &profile, bool legacy = false)
{
    const QString parameters = QStringLiteral(R"({"ActiveProfile": "%1"})").arg(profile);
    if (legacy)
        return std::make_unique<DBusMock>(
            "net.hadess.PowerProfiles", "/net/hadess/PowerProfiles", "net.hadess.PowerProfiles",
            QStringList{"--template", "power_profiles_daemon", "-p", parameters}, true);
    return std::make_unique<DBusMock>(
        "org.freedesktop.UPower.PowerProfiles", "/org/freedesktop/UPower/PowerProfiles",
        "org.freedesktop.UPower.PowerProfiles",
        QStringList{"--template", POWER_PROFILES_TEMPLATE, "-p", parameters}, true);
}

// One zone from "TEMP TYPE:TEMP ...", for example "45000 passive:80000 critical:100000".
// A temperature of "-" leaves the file out, "dir" makes it unreadable.
bool makeZone(const QString &root, int index, const QString &layout)
{
    const QString zone = root + QStringLiteral("/thermal_zone%1/").arg(index);
    const QStringList parts = layout.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString temp = parts.value(0);
    bool ok = temp == "dir" ? QDir().mkpath(zone + "temp")
                            : temp == "-" || test::writeFile(zone + "temp", temp.toLatin1() + "\n");
    for (int i = 1; i < parts.size(); ++i) {
        const QStringList trip = parts.at(i).split(QLatin1Char(':'));
        const QString base = zone + QStringLiteral("trip_point_%1_").arg(i - 1);
        ok = ok && test::writeFile(base + "type", trip.value(0).toLatin1() + "\n") &&
             test::writeFile(base + "temp", trip.value(1).toLatin1() + "\n");
    }
    return ok && QDir().mkpath(zone);
}

} // namespace

class LinuxPowerTest : public QObject {
    Q_OBJECT

    QProcess m_bus;
    QTemporaryDir m_noZones;
    test::VirtualScheduler m_scheduler;
    MemoryLogSink m_log;
    ScopedLogSink m_scopedLog{&m_log};
    int m_calls = 0;

    std::unique_ptr<PowerMonitor> monitor()
    {
        auto monitor = std::make_unique<PowerMonitor>(
            linuxPowerSources(m_scheduler, QDBusConnection::systemBus(), m_noZones.path()));
        monitor->setOnChange([this] { ++m_calls; });
        return monitor;
    }

private slots:
    void initTestCase()
    {
        // A private system bus: nothing here may reach the machine's own.
        m_bus.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        QVERIFY(m_bus.waitForStarted(10000) && m_bus.waitForReadyRead(10000));
        const QByteArray address = m_bus.readLine().trimmed();
        QVERIFY(!address.isEmpty());
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
        QVERIFY(QDBusConnection::systemBus().isConnected());
    }
    void cleanupTestCase()
    {
        m_bus.kill();
        m_bus.waitForFinished();
    }
    void init()
    {
        m_log.clear();
        m_calls = 0;
    }

    void batteryFollowsUPower()
    {
        auto service = upower(false);
        QVERIFY(service->isRunning());
        auto power = monitor();
        service->roundTrip();
        QVERIFY(!power->isOnBattery());
        QCOMPARE(m_log.lines(), QStringList{});

        // Unplugged; the same value announced again is no change.
        QVERIFY(service->setProperty("OnBattery", true));
        QTRY_VERIFY(power->isOnBattery());
        QVERIFY(service->setProperty("OnBattery", true));
        service->roundTrip();
        QCOMPARE(m_log.lines(), QStringList{powerLine(true, false, false)});
        QCOMPARE(m_calls, 1);
        // Plugged in.
        QVERIFY(service->setProperty("OnBattery", false));
        QTRY_VERIFY(!power->isOnBattery());
        service->roundTrip();
        QCOMPARE(m_log.lines().last(), powerLine(false, false, false));
        QCOMPARE(m_calls, 2);
    }

    void powerSaverFollowsTheProfile_data()
    {
        QTest::addColumn<bool>("legacy");
        QTest::newRow("org.freedesktop.UPower.PowerProfiles") << false;
        QTest::newRow("net.hadess.PowerProfiles") << true;
    }
    void powerSaverFollowsTheProfile()
    {
        QFETCH(bool, legacy);
        auto service = powerProfiles("balanced", legacy);
        QVERIFY(service->isRunning());
        auto power = monitor();
        service->roundTrip();
        QVERIFY(!power->isLowPowerMode());

        QVERIFY(service->setProperty("ActiveProfile", "power-saver"));
        QTRY_VERIFY(power->isLowPowerMode());
        QVERIFY(service->setProperty("ActiveProfile", "performance"));
        QTRY_VERIFY(!power->isLowPowerMode());
        service->roundTrip();
        QCOMPARE(m_log.lines(),
                 (QStringList{powerLine(false, true, false), powerLine(false, false, false)}));
        QCOMPARE(m_calls, 2);
    }

    // A daemon that has both names answers the same under each; the current one is believed
    // when the two disagree, and the older one alone when the current name goes.
    void currentProfileNameWins()
    {
        auto current = powerProfiles("balanced");
        auto legacy = powerProfiles("power-saver", true);
        auto power = monitor();
        current->roundTrip();
        legacy->roundTrip();
        QVERIFY(!power->isLowPowerMode());
        QVERIFY(current->setProperty("ActiveProfile", "power-saver"));
        QTRY_VERIFY(power->isLowPowerMode());
        current->stop();
        legacy->roundTrip();
        QVERIFY(power->isLowPowerMode());
        QVERIFY(legacy->setProperty("ActiveProfile", "balanced"));
        QTRY_VERIFY(!power->isLowPowerMode());
        QCOMPARE(m_calls, 2);
    }

    void calmWithoutServicesOrBus()
    {
        for (const QDBusConnection &connection :
             {QDBusConnection::systemBus(),
              QDBusConnection::connectToBus("unix:path=/nonexistent/bus", "quintara-no-bus")}) {
            PowerMonitor power(linuxPowerSources(m_scheduler, connection, "/nonexistent/thermal"));
            power.setOnChange([this] { ++m_calls; });
            // Whatever the bus would answer has arrived.
            connection.call(QDBusMessage::createMethodCall(
                "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "GetId"));
            QCoreApplication::processEvents();
            m_scheduler.advance(std::chrono::seconds(30));
            QVERIFY(!power.isOnBattery() && !power.isLowPowerMode() && !power.isHot());
        }
        QCOMPARE(m_log.lines(), QStringList{});
        QCOMPARE(m_calls, 0);
    }

    void servicesStartedLaterArePickedUp()
    {
        auto power = monitor();
        QVERIFY(!power->isOnBattery() && !power->isLowPowerMode());
        auto battery = upower(true);
        QTRY_VERIFY(power->isOnBattery());
        auto profiles = powerProfiles("power-saver", true);
        QTRY_VERIFY(power->isLowPowerMode());
        QCOMPARE(m_calls, 2);

        // The daemon goes away: nothing is known about the battery any more.
        battery.reset();
        QTRY_VERIFY(!power->isOnBattery());
        // It comes back, and its later changes arrive too.
        battery = upower(true);
        QTRY_VERIFY(power->isOnBattery());
        QVERIFY(battery->setProperty("OnBattery", false));
        QTRY_VERIFY(!power->isOnBattery());
        battery->roundTrip();
        QCOMPARE(m_calls, 5);
        QCOMPARE(m_log.lines(),
                 (QStringList{powerLine(true, false, false), powerLine(true, true, false),
                              powerLine(false, true, false), powerLine(true, true, false),
                              powerLine(false, true, false)}));
    }

    void thermalPressureFromTripPoints_data()
    {
        const auto row = test::rows<std::pair<QStringList, ThermalPressure>>(); // zones: pressure
        const QString trips = " active:50000 passive:80000 hot:90000 critical:100000";
        using P = ThermalPressure;
        row("no zones", {{}, P::nominal});
        row("cool", {{"40000" + trips}, P::nominal});
        row("fans running", {{"50000" + trips}, P::fair});
        row("at passive", {{"80000" + trips}, P::serious});
        row("between hot and critical", {{"95000" + trips}, P::serious});
        row("at critical", {{"100000" + trips}, P::critical});
        row("hot trip only", {{"70000 hot:70000"}, P::serious});
        row("no trip points", {{"99000"}, P::nominal});
        row("worst zone counts",
            {{"40000" + trips, "101000 critical:100000", "85000" + trips}, P::critical});
        row("no temperature", {{"- passive:10000"}, P::nominal});
        row("unreadable temperature", {{"dir passive:10000"}, P::nominal});
        row("garbage temperature", {{"warm passive:10000"}, P::nominal});
        row("disabled trip points", {{"40000 passive:-273200 critical:0"}, P::nominal});
        row("unknown trip type", {{"40000 boiling:10000"}, P::nominal});
        row("unreadable zone beside a hot one", {{"- critical:1", "85000" + trips}, P::serious});
    }
    void thermalPressureFromTripPoints()
    {
        const auto &[zones, pressure] = test::row<std::pair<QStringList, ThermalPressure>>();
        QTemporaryDir root;
        for (int i = 0; i < zones.size(); ++i)
            QVERIFY(makeZone(root.path(), i, zones.at(i)));
        // Other entries of the class folder are not zones.
        QVERIFY(QDir().mkpath(root.path() + "/cooling_device0"));
        QCOMPARE(SysfsThermalSource::read(root.path()), pressure);
    }

    void thermalZonesArePolled()
    {
        QTemporaryDir root;
        const auto heat = [&](const QString &temp) {
            return makeZone(root.path(), 0, temp + " active:60000 passive:80000 critical:100000");
        };
        QVERIFY(heat("60000"));
        test::VirtualScheduler scheduler;
        PowerSources sources;
        sources.thermal = std::make_unique<SysfsThermalSource>(scheduler, root.path());
        PowerMonitor power(std::move(sources));
        power.setOnChange([this] { ++m_calls; });
        // Fair to serious is seen at the next poll; serious to critical and back is still hot.
        const auto interval = SysfsThermalSource::defaultInterval;
        QVERIFY(heat("85000"));
        scheduler.advance(interval - std::chrono::milliseconds(1));
        QVERIFY(!power.isHot());
        for (const char *temp : {"85000", "100000", "85000", "45000"}) {
            QVERIFY(heat(temp));
            scheduler.advance(interval);
        }
        QVERIFY(!power.isHot());
        QCOMPARE(m_calls, 2);
        QCOMPARE(m_log.lines(),
                 (QStringList{powerLine(false, false, true), powerLine(false, false, false)}));
    }
};

QUINTARA_TEST_MAIN(LinuxPowerTest)
#include "tst_linuxpower.moc"
