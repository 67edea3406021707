#include "FakePowerSources.h"
#include "TestMain.h"
#include "engine/PowerMonitor.h"
#include "platform/LogSink.h"

using namespace quintara;
using test::FakePowerSources;
using test::powerLine;

namespace {

struct PowerState {
    bool battery = false;
    bool powerSaver = false;
    ThermalPressure pressure = ThermalPressure::nominal;
};

void setAll(FakePowerSources &fakes, const PowerState &state)
{
    fakes.battery->set(state.battery);
    fakes.powerSaver->set(state.powerSaver);
    fakes.thermal->set(state.pressure);
}

} // namespace

Q_DECLARE_METATYPE(PowerState)

class PowerMonitorTest : public QObject {
    Q_OBJECT

private slots:
    void readsTheStateAtOnce_data()
    {
        QTest::addColumn<PowerState>("state");
        QTest::addColumn<QStringList>("lines");
        QTest::newRow("calm") << PowerState{} << QStringList{};
        QTest::newRow("on battery, fans running") << PowerState{true, false, ThermalPressure::fair}
                                                  << QStringList{powerLine(true, false, false)};
        QTest::newRow("power saver, critical") << PowerState{false, true, ThermalPressure::critical}
                                               << QStringList{powerLine(false, true, true)};
    }
    void readsTheStateAtOnce()
    {
        QFETCH(PowerState, state);
        QFETCH(QStringList, lines);
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        FakePowerSources fakes;
        setAll(fakes, state);
        PowerMonitor monitor(fakes.take());
        QCOMPARE(monitor.isOnBattery(), state.battery);
        QCOMPARE(monitor.isLowPowerMode(), state.powerSaver);
        QCOMPARE(monitor.isHot(), state.pressure >= ThermalPressure::serious);
        QCOMPARE(log.lines(), lines);
    }

    // Each row changes one observation from `before` to `after`.
    void reportsEachRealChangeOnce_data()
    {
        QTest::addColumn<PowerState>("before");
        QTest::addColumn<PowerState>("after");
        QTest::addColumn<QString>("expected"); // empty: nothing to report

        using P = ThermalPressure;
        QTest::newRow("unplugged")
            << PowerState{} << PowerState{true, false, P::nominal}
            << QStringLiteral("Quintara: power \u2014 battery=true lowPower=false hot=false");
        QTest::newRow("plugged in") << PowerState{true, false, P::nominal} << PowerState{}
                                    << powerLine(false, false, false);
        QTest::newRow("power saver on")
            << PowerState{} << PowerState{false, true, P::nominal} << powerLine(false, true, false);
        QTest::newRow("power saver off")
            << PowerState{true, true, P::nominal} << PowerState{true, false, P::nominal}
            << powerLine(true, false, false);
        QTest::newRow("fair to serious")
            << PowerState{true, false, P::fair} << PowerState{true, false, P::serious}
            << powerLine(true, false, true);
        QTest::newRow("nominal to critical")
            << PowerState{} << PowerState{false, false, P::critical}
            << powerLine(false, false, true);
        QTest::newRow("serious to fair")
            << PowerState{false, false, P::serious} << PowerState{false, false, P::fair}
            << powerLine(false, false, false);
        QTest::newRow("critical to serious") << PowerState{false, false, P::critical}
                                             << PowerState{false, false, P::serious} << QString();
        QTest::newRow("serious to critical") << PowerState{false, false, P::serious}
                                             << PowerState{false, false, P::critical} << QString();
        QTest::newRow("nominal to fair")
            << PowerState{} << PowerState{false, false, P::fair} << QString();
        QTest::newRow("nothing changed") << PowerState{true, true, P::serious}
                                         << PowerState{true, true, P::serious} << QString();
    }
    void reportsEachRealChangeOnce()
    {
        QFETCH(PowerState, before);
        QFETCH(PowerState, after);
        QFETCH(QString, expected);
        FakePowerSources fakes;
        setAll(fakes, before);
        PowerMonitor monitor(fakes.take());
        int calls = 0;
        monitor.setOnChange([&] {
            ++calls;
            // Observers read the new state.
            QCOMPARE(monitor.isOnBattery(), after.battery);
            QCOMPARE(monitor.isHot(), after.pressure >= ThermalPressure::serious);
        });
        QSignalSpy changed(&monitor, &PowerMonitor::changed);
        MemoryLogSink log;
        ScopedLogSink scoped(&log);

        // Every source reports, whether or not its reading changed.
        setAll(fakes, after);
        monitor.refresh();

        const QStringList lines = expected.isEmpty() ? QStringList{} : QStringList{expected};
        QCOMPARE(log.lines(), lines);
        QCOMPARE(calls, lines.size());
        QCOMPARE(changed.size(), lines.size());
        QCOMPARE(monitor.isOnBattery(), after.battery);
        QCOMPARE(monitor.isLowPowerMode(), after.powerSaver);
        QCOMPARE(monitor.isHot(), after.pressure >= ThermalPressure::serious);
    }

    void missingSourcesReadCalm()
    {
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        FakePowerSources fakes;
        fakes.battery->set(true);
        PowerSources sources = fakes.take();
        sources.powerSaver.reset();
        sources.thermal.reset();
        PowerMonitor monitor(std::move(sources));
        QVERIFY(monitor.isOnBattery());
        QVERIFY(!monitor.isLowPowerMode());
        QVERIFY(!monitor.isHot());
        fakes.battery->set(false);
        QCOMPARE(log.lines(),
                 (QStringList{powerLine(true, false, false), powerLine(false, false, false)}));

        PowerMonitor empty{PowerSources{}};
        empty.refresh();
        QVERIFY(!empty.isOnBattery() && !empty.isLowPowerMode() && !empty.isHot());
        QCOMPARE(log.lines().size(), 2);
    }
};

QUINTARA_TEST_MAIN(PowerMonitorTest)
#include "tst_powermonitor.moc"
