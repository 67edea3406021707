#include "FakePowerSources.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "engine/PowerMonitor.h"
#include "platform/LogSink.h"
#include "platform/linux/LinuxPowerSources.h"
#include "platform/linux/SysfsThermalSource.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <memory>
#include <vector>

using namespace quintara;
using test::powerLine;

namespace {

// A system service as python3-dbusmock plays it.
struct Service {
    QString name;
    QStringList mock; // arguments after `--system`
    QString path;
    QString interface;
};

Service upower(bool onBattery)
{
    return {QStringLiteral("org.freedesktop.UPower"),
            {"--template", "upower", "-p",
             QStringLiteral(R"({"OnBattery": %1})").arg(onBattery ? "true" : "false")},
            QStringLiteral("/org/freedesktop/UPower"),
            QStringLiteral("org.freedesktop.UPower")};
}

Service powerProfiles(const QString &profile)
{
    return {QStringLiteral("org.freedesktop.UPower.PowerProfiles"),
            {"--template", QStringLiteral(POWER_PROFILES_TEMPLATE), "-p",
             QStringLiteral(R"({"ActiveProfile": "%1"})").arg(profile)},
            QStringLiteral("/org/freedesktop/UPower/PowerProfiles"),
            QStringLiteral("org.freedesktop.UPower.PowerProfiles")};
}

Service legacyPowerProfiles(const QString &profile)
{
    return {QStringLiteral("net.hadess.PowerProfiles"),
            {"--template", "power_profiles_daemon", "-p",
             QStringLiteral(R"({"ActiveProfile": "%1"})").arg(profile)},
            QStringLiteral("/net/hadess/PowerProfiles"),
            QStringLiteral("net.hadess.PowerProfiles")};
}

bool writeFile(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(content) >= 0;
}

// One zone from "TEMP TYPE:TEMP ...", for example "45000 passive:80000 critical:100000".
// A temperature of "-" leaves the file out, "dir" makes it unreadable.
bool makeZone(const QString &root, int index, const QString &layout)
{
    const QString zone = root + QStringLiteral("/thermal_zone%1").arg(index);
    if (!QDir().mkpath(zone))
        return false;
    const QStringList parts = layout.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    const QString temp = parts.value(0);
    if (temp == "dir" && !QDir().mkpath(zone + "/temp"))
        return false;
    if (temp != "-" && temp != "dir" && !writeFile(zone + "/temp", temp.toLatin1() + "\n"))
        return false;
    for (int i = 1; i < parts.size(); ++i) {
        const QStringList trip = parts.at(i).split(QLatin1Char(':'));
        const QString base = zone + QStringLiteral("/trip_point_%1_").arg(i - 1);
        if (!writeFile(base + "type", trip.value(0).toLatin1() + "\n") ||
            !writeFile(base + "temp", trip.value(1).toLatin1() + "\n"))
            return false;
    }
    return true;
}

} // namespace

class LinuxPowerTest : public QObject {
    Q_OBJECT

    QProcess m_bus;
    std::vector<std::unique_ptr<QProcess>> m_services;
    QTemporaryDir m_noZones;
    test::VirtualScheduler m_scheduler;
    MemoryLogSink m_log;
    ScopedLogSink m_scopedLog{&m_log};

    static QDBusConnection bus() { return QDBusConnection::systemBus(); }

    static bool registered(const QString &name)
    {
        return bus().interface()->isServiceRegistered(name).value();
    }

    QProcess *start(const Service &service)
    {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start("/usr/bin/python3",
                       QStringList{"-m", "dbusmock", "--system"} + service.mock);
        if (!process->waitForStarted(10000))
            return nullptr;
        if (!QTest::qWaitFor([&] { return registered(service.name); }, 20000))
            return nullptr;
        m_services.push_back(std::move(process));
        return m_services.back().get();
    }

    static bool stop(QProcess *process, const Service &service)
    {
        process->terminate();
        process->waitForFinished(10000);
        return QTest::qWaitFor([&] { return !registered(service.name); }, 10000);
    }

    // Sets a property from outside, the way the daemon's own change would show.
    static bool set(const Service &service, const QString &property, const QString &value)
    {
        QProcess gdbus;
        gdbus.start("gdbus", {"call", "--system", "--dest", service.name, "--object-path",
                              service.path, "--method", "org.freedesktop.DBus.Properties.Set",
                              service.interface, property, value});
        return gdbus.waitForFinished(10000) && gdbus.exitStatus() == QProcess::NormalExit &&
               gdbus.exitCode() == 0;
    }

    // Everything the bus and `services` sent before now has been delivered: a round trip to
    // each comes back after what it sent earlier.
    static void flush(const QList<Service> &services = {})
    {
        bus().call(QDBusMessage::createMethodCall("org.freedesktop.DBus", "/org/freedesktop/DBus",
                                                  "org.freedesktop.DBus", "GetId"));
        for (const Service &service : services) {
            QDBusMessage get = QDBusMessage::createMethodCall(
                service.name, service.path, "org.freedesktop.DBus.Properties", "GetAll");
            get << service.interface;
            bus().call(get);
        }
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }

    std::unique_ptr<PowerMonitor> monitor(int &calls)
    {
        auto monitor =
            std::make_unique<PowerMonitor>(linuxPowerSources(m_scheduler, bus(), m_noZones.path()));
        monitor->setOnChange([&calls] { ++calls; });
        return monitor;
    }

private slots:
    void initTestCase()
    {
        // A private system bus: nothing here may reach the machine's own.
        m_bus.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        QVERIFY(m_bus.waitForStarted(10000));
        QVERIFY(m_bus.waitForReadyRead(10000));
        const QByteArray address = m_bus.readLine().trimmed();
        QVERIFY(!address.isEmpty());
        qputenv("DBUS_SYSTEM_BUS_ADDRESS", address);
        QVERIFY(bus().isConnected());
        QVERIFY(m_noZones.isValid());
    }

    void cleanupTestCase()
    {
        m_bus.kill();
        m_bus.waitForFinished();
    }

    void init() { m_log.clear(); }

    void cleanup()
    {
        for (auto &process : m_services) {
            process->terminate();
            process->waitForFinished(10000);
        }
        m_services.clear();
        QTRY_VERIFY_WITH_TIMEOUT(!registered("org.freedesktop.UPower") &&
                                     !registered("org.freedesktop.UPower.PowerProfiles") &&
                                     !registered("net.hadess.PowerProfiles"),
                                 10000);
    }

    void batteryFollowsUPower()
    {
        const Service service = upower(false);
        QVERIFY(start(service));
        int calls = 0;
        auto power = monitor(calls);
        flush({service});
        QVERIFY(!power->isOnBattery());
        QCOMPARE(m_log.lines(), QStringList{});

        // Unplugged.
        QVERIFY(set(service, "OnBattery", "<true>"));
        QTRY_VERIFY(power->isOnBattery());
        // The same value announced again is no change.
        QVERIFY(set(service, "OnBattery", "<true>"));
        flush({service});
        QCOMPARE(m_log.lines(), QStringList{powerLine(true, false, false)});
        QCOMPARE(calls, 1);

        // Plugged in.
        QVERIFY(set(service, "OnBattery", "<false>"));
        QTRY_VERIFY(!power->isOnBattery());
        flush({service});
        QCOMPARE(m_log.lines(),
                 (QStringList{powerLine(true, false, false), powerLine(false, false, false)}));
        QCOMPARE(calls, 2);
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
        const Service service =
            legacy ? legacyPowerProfiles("balanced") : powerProfiles("balanced");
        QVERIFY(start(service));
        int calls = 0;
        auto power = monitor(calls);
        flush({service});
        QVERIFY(!power->isLowPowerMode());

        QVERIFY(set(service, "ActiveProfile", "<'power-saver'>"));
        QTRY_VERIFY(power->isLowPowerMode());
        flush({service});
        QCOMPARE(m_log.lines(), QStringList{powerLine(false, true, false)});
        QCOMPARE(calls, 1);

        QVERIFY(set(service, "ActiveProfile", "<'performance'>"));
        QTRY_VERIFY(!power->isLowPowerMode());
        flush({service});
        QCOMPARE(m_log.lines(),
                 (QStringList{powerLine(false, true, false), powerLine(false, false, false)}));
        QCOMPARE(calls, 2);
    }

    // A daemon that has both names answers the same under each; the current one is believed
    // when two disagree.
    void currentProfileNameWins()
    {
        const Service current = powerProfiles("balanced");
        const Service legacy = legacyPowerProfiles("power-saver");
        QVERIFY(start(current));
        QVERIFY(start(legacy));
        int calls = 0;
        auto power = monitor(calls);
        flush({current, legacy});
        QVERIFY(!power->isLowPowerMode());
        QCOMPARE(calls, 0);

        QVERIFY(set(current, "ActiveProfile", "<'power-saver'>"));
        QTRY_VERIFY(power->isLowPowerMode());
        // The current name gone, the older one alone still says power-saver.
        QVERIFY(stop(m_services.front().get(), current));
        flush({legacy});
        QVERIFY(power->isLowPowerMode());
        QCOMPARE(calls, 1);
        QVERIFY(set(legacy, "ActiveProfile", "<'balanced'>"));
        QTRY_VERIFY(!power->isLowPowerMode());
        QCOMPARE(calls, 2);
    }

    void calmWithoutServices_data()
    {
        QTest::addColumn<bool>("busThere");
        QTest::newRow("no services") << true;
        QTest::newRow("no bus") << false;
    }
    void calmWithoutServices()
    {
        QFETCH(bool, busThere);
        const QDBusConnection connection =
            busThere ? bus()
                     : QDBusConnection::connectToBus(
                           QStringLiteral("unix:path=/nonexistent/quintara-system-bus"),
                           QStringLiteral("quintara-no-bus"));
        QCOMPARE(connection.isConnected(), busThere);
        int calls = 0;
        PowerMonitor power(linuxPowerSources(m_scheduler, connection, "/nonexistent/thermal"));
        power.setOnChange([&calls] { ++calls; });
        flush();
        m_scheduler.advance(std::chrono::seconds(30));
        QVERIFY(!power.isOnBattery());
        QVERIFY(!power.isLowPowerMode());
        QVERIFY(!power.isHot());
        QCOMPARE(m_log.lines(), QStringList{});
        QCOMPARE(calls, 0);
    }

    void servicesStartedLaterArePickedUp()
    {
        int calls = 0;
        auto power = monitor(calls);
        flush();
        QVERIFY(!power->isOnBattery() && !power->isLowPowerMode());

        const Service battery = upower(true);
        QProcess *daemon = start(battery);
        QVERIFY(daemon);
        QTRY_VERIFY(power->isOnBattery());
        QVERIFY(start(legacyPowerProfiles("power-saver")));
        QTRY_VERIFY(power->isLowPowerMode());
        QCOMPARE(calls, 2);

        // The daemon goes away: nothing is known about the battery any more.
        QVERIFY(stop(daemon, battery));
        QTRY_VERIFY(!power->isOnBattery());
        // It comes back, and its later changes arrive too.
        QVERIFY(start(battery));
        QTRY_VERIFY(power->isOnBattery());
        QVERIFY(set(battery, "OnBattery", "<false>"));
        QTRY_VERIFY(!power->isOnBattery());
        flush({battery});
        QCOMPARE(calls, 5);
        QCOMPARE(m_log.lines(),
                 (QStringList{powerLine(true, false, false), powerLine(true, true, false),
                              powerLine(false, true, false), powerLine(true, true, false),
                              powerLine(false, true, false)}));
    }

    void thermalPressureFromTripPoints_data()
    {
        QTest::addColumn<QStringList>("zones");
        QTest::addColumn<int>("pressure");
        const QString trips = " active:50000 passive:80000 hot:90000 critical:100000";
        using P = ThermalPressure;
        QTest::newRow("no zones") << QStringList{} << int(P::nominal);
        QTest::newRow("cool") << QStringList{"40000" + trips} << int(P::nominal);
        QTest::newRow("fans running") << QStringList{"50000" + trips} << int(P::fair);
        QTest::newRow("at passive") << QStringList{"80000" + trips} << int(P::serious);
        QTest::newRow("between hot and critical")
            << QStringList{"95000" + trips} << int(P::serious);
        QTest::newRow("at critical") << QStringList{"100000" + trips} << int(P::critical);
        QTest::newRow("hot trip only") << QStringList{"70000 hot:70000"} << int(P::serious);
        QTest::newRow("no trip points") << QStringList{"99000"} << int(P::nominal);
        QTest::newRow("worst zone counts")
            << QStringList{"40000" + trips, "101000 critical:100000", "85000" + trips}
            << int(P::critical);
        QTest::newRow("no temperature") << QStringList{"- passive:10000"} << int(P::nominal);
        QTest::newRow("unreadable temperature")
            << QStringList{"dir passive:10000"} << int(P::nominal);
        QTest::newRow("garbage temperature")
            << QStringList{"warm passive:10000"} << int(P::nominal);
        QTest::newRow("disabled trip points")
            << QStringList{"40000 passive:-273200 critical:0"} << int(P::nominal);
        QTest::newRow("unknown trip type") << QStringList{"40000 boiling:10000"} << int(P::nominal);
        QTest::newRow("unreadable zone beside a hot one")
            << QStringList{"- critical:1", "85000" + trips} << int(P::serious);
    }
    void thermalPressureFromTripPoints()
    {
        QFETCH(QStringList, zones);
        QFETCH(int, pressure);
        QTemporaryDir root;
        for (int i = 0; i < zones.size(); ++i)
            QVERIFY(makeZone(root.path(), i, zones.at(i)));
        // Other entries of the class folder are not zones.
        QVERIFY(QDir().mkpath(root.path() + "/cooling_device0"));
        QCOMPARE(int(SysfsThermalSource::read(root.path())), pressure);
    }

    void thermalZonesArePolled()
    {
        QTemporaryDir root;
        const QString trips = " active:60000 passive:80000 critical:100000";
        QVERIFY(makeZone(root.path(), 0, "60000" + trips));
        test::VirtualScheduler scheduler;
        PowerSources sources;
        sources.thermal = std::make_unique<SysfsThermalSource>(scheduler, root.path());
        PowerMonitor power(std::move(sources));
        int calls = 0;
        power.setOnChange([&calls] { ++calls; });
        QVERIFY(!power.isHot());

        auto heat = [&](const char *temp) { return makeZone(root.path(), 0, temp + trips); };
        const auto interval = SysfsThermalSource::defaultInterval;
        // Fair to serious: hot, seen at the next poll.
        QVERIFY(heat("85000"));
        scheduler.advance(interval - std::chrono::milliseconds(1));
        QVERIFY(!power.isHot());
        scheduler.advance(std::chrono::milliseconds(1));
        QVERIFY(power.isHot());
        QCOMPARE(calls, 1);
        // Serious to critical and back to serious: still hot, nothing to report.
        QVERIFY(heat("100000"));
        scheduler.advance(interval);
        QVERIFY(heat("85000"));
        scheduler.advance(interval);
        QVERIFY(power.isHot());
        QCOMPARE(calls, 1);
        // Cooled down.
        QVERIFY(heat("45000"));
        scheduler.advance(interval);
        QVERIFY(!power.isHot());
        QCOMPARE(calls, 2);
        QCOMPARE(m_log.lines(),
                 (QStringList{powerLine(false, false, true), powerLine(false, false, false)}));
    }
};

QUINTARA_TEST_MAIN(LinuxPowerTest)
#include "tst_linuxpower.moc"
