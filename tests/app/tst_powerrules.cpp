#include "FakePowerSources.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "app/AppDelegate.h"
#include "app/PowerRules.h"
#include "platform/LogSink.h"
#include "platform/linux/JsonFileStore.h"

using namespace quintara;
using test::FakePowerSources;

namespace {

// Stands in for the wallpaper engine and writes down what the rules asked of it.
class FakeTarget final : public PowerPauseTarget {
public:
    OptionalPauseReason powerPause() const override { return m_pause; }
    void setPowerPause(OptionalPauseReason reason) override
    {
        m_pause = reason;
        calls.append(QStringLiteral("pause=") + name(reason));
    }
    void updateRates() override { calls.append(QStringLiteral("updateRates")); }
    void reportPlayback() override { calls.append(QStringLiteral("reportPlayback")); }

    static QString name(OptionalPauseReason reason)
    {
        if (!reason)
            return QStringLiteral("none");
        switch (*reason) {
        case PauseReason::battery:
            return QStringLiteral("battery");
        case PauseReason::lowPower:
            return QStringLiteral("lowPower");
        case PauseReason::hot:
            return QStringLiteral("hot");
        default:
            return QStringLiteral("other");
        }
    }
    // What one applied change looks like.
    static QStringList change(const QString &pause)
    {
        return {QStringLiteral("pause=") + pause, QStringLiteral("updateRates"),
                QStringLiteral("reportPlayback")};
    }

    QStringList calls;

private:
    OptionalPauseReason m_pause;
};

struct Rig {
    QTemporaryDir home;
    JsonFileStore store{home.filePath("settings.json")};
    AppSettings settings{store};
    test::VirtualScheduler scheduler;
    FakePowerSources fakes;
    PowerMonitor power{fakes.take()};
    FakeTarget target;
    std::unique_ptr<PowerRules> rules;

    Rig(bool whenHot, bool inLowPower, bool onBattery)
    {
        settings.setPauseWhenHot(whenHot);
        settings.setPauseInLowPower(inLowPower);
        settings.setPauseOnBattery(onBattery);
    }
    void install() { rules = std::make_unique<PowerRules>(settings, power, scheduler, target); }
};

} // namespace

class PowerRulesTest : public QObject {
    Q_OBJECT

    // The monitor's lines are not what these tests look at.
    MemoryLogSink m_log;
    ScopedLogSink m_quiet{&m_log};

private slots:
    void firstMatchWins_data()
    {
        QTest::addColumn<bool>("whenHot");
        QTest::addColumn<bool>("inLowPower");
        QTest::addColumn<bool>("onBattery");
        QTest::addColumn<bool>("hot");
        QTest::addColumn<bool>("lowPower");
        QTest::addColumn<bool>("battery");
        QTest::addColumn<QString>("pause");
        //                            rules:  hot    low    batt   state: hot    low    batt
        QTest::newRow("calm") << true << true << true << false << false << false << "none";
        QTest::newRow("all hold") << true << true << true << true << true << true << "hot";
        QTest::newRow("hot and battery") << true << false << true << true << false << true << "hot";
        QTest::newRow("low power and battery")
            << true << true << true << false << true << true << "lowPower";
        QTest::newRow("battery only")
            << true << true << true << false << false << true << "battery";
        QTest::newRow("hot, its rule off")
            << false << true << true << true << false << true << "battery";
        QTest::newRow("low power, its rule off")
            << true << false << false << false << true << true << "none";
        QTest::newRow("no rules") << false << false << false << true << true << true << "none";
    }
    void firstMatchWins()
    {
        QFETCH(bool, whenHot);
        QFETCH(bool, inLowPower);
        QFETCH(bool, onBattery);
        QFETCH(bool, hot);
        QFETCH(bool, lowPower);
        QFETCH(bool, battery);
        QFETCH(QString, pause);
        Rig rig(whenHot, inLowPower, onBattery);
        rig.fakes.thermal->set(hot ? ThermalPressure::serious : ThermalPressure::fair);
        rig.fakes.powerSaver->set(lowPower);
        rig.fakes.battery->set(battery);

        rig.install();
        // The first evaluation waits for the next turn of the event loop.
        QVERIFY(rig.target.calls.isEmpty());
        rig.scheduler.runPending();
        QCOMPARE(FakeTarget::name(rig.target.powerPause()), pause);
        QCOMPARE(rig.target.calls, pause == "none" ? QStringList{} : FakeTarget::change(pause));
    }

    void coolingDownOnBatteryGoesStraightToBattery()
    {
        Rig rig(true, false, true);
        rig.fakes.battery->set(true);
        rig.fakes.thermal->set(ThermalPressure::critical);
        rig.install();
        rig.scheduler.runPending();
        QCOMPARE(rig.target.calls, FakeTarget::change("hot"));

        rig.fakes.thermal->set(ThermalPressure::serious);
        QCOMPARE(rig.target.calls, FakeTarget::change("hot"));
        // Monitor changes are applied as they are reported.
        rig.fakes.thermal->set(ThermalPressure::fair);
        QCOMPARE(rig.target.calls, FakeTarget::change("hot") + FakeTarget::change("battery"));
        rig.scheduler.runPending();
        QCOMPARE(rig.target.calls.size(), 6);
    }

    void switchingTheRuleOffResumes_data()
    {
        QTest::addColumn<QString>("setting");
        QTest::addColumn<QString>("pause");
        QTest::newRow("pauseOnBattery") << "pauseOnBattery"
                                        << "battery";
        QTest::newRow("pauseInLowPower") << "pauseInLowPower"
                                         << "lowPower";
        QTest::newRow("pauseWhenHot") << "pauseWhenHot"
                                      << "hot";
    }
    void switchingTheRuleOffResumes()
    {
        QFETCH(QString, setting);
        QFETCH(QString, pause);
        Rig rig(pause == "hot", pause == "lowPower", pause == "battery");
        rig.fakes.battery->set(true);
        rig.fakes.powerSaver->set(true);
        rig.fakes.thermal->set(ThermalPressure::serious);
        rig.install();
        rig.scheduler.runPending();
        QCOMPARE(FakeTarget::name(rig.target.powerPause()), pause);
        rig.target.calls.clear();

        QVERIFY(rig.settings.setProperty(setting.toLatin1(), false));
        // Evaluated once the new value is stored, not from inside the assignment.
        QVERIFY(rig.target.calls.isEmpty());
        rig.scheduler.runPending();
        QCOMPARE(rig.target.calls, FakeTarget::change("none"));

        rig.target.calls.clear();
        QVERIFY(rig.settings.setProperty(setting.toLatin1(), true));
        rig.scheduler.runPending();
        QCOMPARE(rig.target.calls, FakeTarget::change(pause));
    }

    // Starts paused on battery (power saving on, its rule off) and then does something that
    // leaves the result as it is.
    void unchangedResultTouchesNothing_data()
    {
        QTest::addColumn<QString>("event");
        QTest::newRow("refresh") << "refresh";
        QTest::newRow("apply again") << "apply";
        QTest::newRow("battery reported again") << "battery";
        QTest::newRow("fans start") << "fair";
        QTest::newRow("power saver off, its rule off") << "powerSaverOff";
        QTest::newRow("same setting assigned") << "sameSetting";
        QTest::newRow("hot rule off while not hot") << "hotRuleOff";
        QTest::newRow("two settings in one turn") << "twoSettings";
    }
    void unchangedResultTouchesNothing()
    {
        QFETCH(QString, event);
        Rig rig(true, false, true);
        rig.fakes.battery->set(true);
        rig.fakes.powerSaver->set(true);
        rig.install();
        rig.scheduler.runPending();
        QCOMPARE(rig.target.calls, FakeTarget::change("battery"));
        rig.target.calls.clear();

        if (event == "refresh") {
            rig.power.refresh();
        } else if (event == "apply") {
            rig.rules->apply();
        } else if (event == "battery") {
            rig.fakes.battery->set(true);
        } else if (event == "fair") {
            rig.fakes.thermal->set(ThermalPressure::fair);
        } else if (event == "powerSaverOff") {
            rig.fakes.powerSaver->set(false);
        } else if (event == "sameSetting") {
            rig.settings.setPauseOnBattery(true);
        } else if (event == "hotRuleOff") {
            rig.settings.setPauseWhenHot(false);
        } else if (event == "twoSettings") {
            rig.settings.setPauseWhenHot(false);
            rig.settings.setPauseWhenHot(true);
        }
        rig.scheduler.runPending();
        QCOMPARE(rig.target.calls, QStringList{});
        QCOMPARE(FakeTarget::name(rig.target.powerPause()), QStringLiteral("battery"));
    }

    void rulesGoneDoNothing()
    {
        Rig rig(true, true, true);
        rig.install();
        rig.settings.setPauseOnBattery(true);
        rig.rules.reset();
        rig.fakes.battery->set(true);
        rig.scheduler.runPending();
        QCOMPARE(rig.target.calls, QStringList{});
    }

    void delegateOwnsTheMonitorOfItsSources()
    {
        QTemporaryDir home;
        JsonFileStore store(home.filePath("settings.json"));
        test::VirtualScheduler scheduler;
        FakePowerSources fakes;
        fakes.powerSaver->set(true);
        AppDelegate delegate(store, scheduler, fakes.take());
        QVERIFY(delegate.power().isLowPowerMode());
        QSignalSpy changed(&delegate.power(), &PowerMonitor::changed);
        fakes.battery->set(true);
        QVERIFY(delegate.power().isOnBattery());
        QCOMPARE(changed.size(), 1);
    }
};

QUINTARA_TEST_MAIN(PowerRulesTest)
#include "tst_powerrules.moc"
