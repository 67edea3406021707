#include "FakePowerSources.h"
#include "TestMain.h"
#include "engine/PowerMonitor.h"
#include "platform/LogSink.h"

using namespace quintara;
using test::powerLine;

// The monitor on fake sources; the Linux sources' test drives it through each real change.
class PowerMonitorTest : public QObject {
    Q_OBJECT

private slots:
    void readsAtOnceAndReportsRealChanges()
    {
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        test::FakePowerSources fakes;
        fakes.battery->set(true);
        fakes.thermal->set(ThermalPressure::critical);
        PowerMonitor monitor(fakes.take());
        // A state that is not calm is said when the monitor starts.
        QCOMPARE(log.lines(), QStringList{powerLine(true, false, true)});
        QVERIFY(monitor.isOnBattery() && monitor.isHot() && !monitor.isLowPowerMode());
        QStringList seen;
        monitor.setOnChange([&] {
            seen << powerLine(monitor.isOnBattery(), monitor.isLowPowerMode(), monitor.isHot());
        });
        QSignalSpy changed(&monitor, &PowerMonitor::changed);
        // Every source reports; only what changes the state is told, with the new state readable.
        fakes.thermal->set(ThermalPressure::serious);
        fakes.powerSaver->set(true);
        fakes.battery->set(true);
        fakes.thermal->set(ThermalPressure::fair);
        monitor.refresh();
        const QStringList expected{powerLine(true, true, true), powerLine(true, true, false)};
        QCOMPARE(seen, expected);
        QCOMPARE(log.lines().mid(1), expected);
        QCOMPARE(changed.size(), 2);
    }

    void missingSourcesReadCalm()
    {
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        test::FakePowerSources fakes;
        PowerSources sources = fakes.take();
        sources.powerSaver.reset();
        sources.thermal.reset();
        PowerMonitor monitor(std::move(sources));
        fakes.battery->set(true);
        QVERIFY(monitor.isOnBattery() && !monitor.isLowPowerMode() && !monitor.isHot());
        PowerMonitor empty{PowerSources{}};
        empty.refresh();
        QVERIFY(!empty.isOnBattery() && !empty.isLowPowerMode() && !empty.isHot());
        QCOMPARE(log.lines(), QStringList{powerLine(true, false, false)});
    }
};

QUINTARA_TEST_MAIN(PowerMonitorTest)
#include "tst_powermonitor.moc"
