#include "FakePowerSources.h"
#include "Rows.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "app/PowerRules.h"
#include "platform/LogSink.h"

using namespace quintara;

namespace {

// Rules and machine state given as words ("hot", "low", "battery"), with the rig standing in
// for the wallpaper engine and writing down the power pause the rules set on it.
struct Rig final : PowerPauseTarget {
    test::MemoryStore store;
    AppSettings settings{store};
    test::VirtualScheduler scheduler;
    test::FakePowerSources fakes;
    PowerMonitor power{fakes.take()};
    std::unique_ptr<PowerRules> rules;
    OptionalPauseReason pause;
    QStringList calls;

    Rig(const QString &rulesOn, const QString &state)
    {
        settings.setPauseWhenHot(rulesOn.contains("hot"));
        settings.setPauseInLowPower(rulesOn.contains("low"));
        settings.setPauseOnBattery(rulesOn.contains("battery"));
        set(state);
        rules = std::make_unique<PowerRules>(settings, power, scheduler, *this);
    }
    void set(const QString &state)
    {
        fakes.thermal->set(state.contains("hot")    ? ThermalPressure::serious
                           : state.contains("fans") ? ThermalPressure::fair
                                                    : ThermalPressure::nominal);
        fakes.powerSaver->set(state.contains("low"));
        fakes.battery->set(state.contains("battery"));
    }
    OptionalPauseReason powerPause() const override { return pause; }
    void setPowerPause(OptionalPauseReason reason) override
    {
        static const QStringList names{"user", "hidden", "asleep", "battery", "lowPower", "hot"};
        calls << (reason ? names.at(int(*reason)) : QStringLiteral("none"));
        pause = reason;
    }
    void updateRates() override { calls << "rates"; }
    void reportPlayback() override { calls << "report"; }
    // What the rules asked for since the last look: "battery" stands for a whole change.
    QString take() { return std::exchange(calls, {}).join(' ').replace(" rates report", ""); }
};

using Event = std::function<void(Rig &)>;
using ChangeRow = std::tuple<QString, QString, Event>;

} // namespace

class PowerRulesTest : public QObject {
    Q_OBJECT

    // The monitor's lines are not what these tests look at.
    MemoryLogSink m_log;
    ScopedLogSink m_quiet{&m_log};

private slots:
    void firstMatchWins_data()
    {
        // pause: empty: none set
        const auto row = test::rows<std::tuple<QString, QString, QString>>();
        const QString all = "hot low battery";
        row("calm", {all, QString(), QString()});
        row("all hold", {all, all, "hot"});
        row("hot and battery", {"hot battery", "hot battery", "hot"});
        row("low power and battery", {all, "low battery", "lowPower"});
        row("battery only", {all, "fans battery", "battery"});
        row("hot, its rule off", {"low battery", "hot battery", "battery"});
        row("low power, its rule off", {"hot", "low battery", QString()});
        row("no rules", {QString(), all, QString()});
    }
    void firstMatchWins()
    {
        const auto &[rulesOn, state, pause] = test::row<std::tuple<QString, QString, QString>>();
        Rig rig(rulesOn, state);
        // The first evaluation waits for the next turn of the event loop.
        QCOMPARE(rig.take(), QString());
        rig.scheduler.runPending();
        QCOMPARE(rig.take(), pause);
    }

    // Each row starts paused on battery (power saving on, its rule off).
    void changes_data()
    {
        // Now, after the next turn of the event loop, what happens.
        const auto row = [](const char *name, const char *now, const char *later, Event event) {
            QTest::newRow(name) << ChangeRow{now, later, event};
        };
        QTest::addColumn<ChangeRow>("row");
        // Monitor changes apply as they are reported; settings once the new value is stored.
        row("hot", "hot", "", [](Rig &r) { r.set("hot battery"); });
        row("cooled down", "hot battery", "", [](Rig &r) {
            r.set("hot battery");
            r.set("battery");
        });
        row("hot, then its rule off", "hot", "battery", [](Rig &r) {
            r.set("hot battery");
            r.settings.setPauseWhenHot(false);
        });
        row("plugged in", "none", "", [](Rig &r) { r.set("low"); });
        row("battery rule off", "", "none", [](Rig &r) { r.settings.setPauseOnBattery(false); });
        row("low power rule on", "", "lowPower",
            [](Rig &r) { r.settings.setPauseInLowPower(true); });
        // Nothing that leaves the result as it is touches the engine.
        row("refresh", "", "", [](Rig &r) { r.power.refresh(); });
        row("apply again", "", "", [](Rig &r) { r.rules->apply(); });
        row("battery again", "", "", [](Rig &r) { r.set("low battery"); });
        row("fans start", "", "", [](Rig &r) { r.set("fans low battery"); });
        row("power saver off", "", "", [](Rig &r) { r.set("battery"); });
        row("same setting", "", "", [](Rig &r) { r.settings.setPauseOnBattery(true); });
        row("hot rule off, not hot", "", "", [](Rig &r) { r.settings.setPauseWhenHot(false); });
        row("two settings in one turn", "", "", [](Rig &r) {
            r.settings.setPauseWhenHot(false);
            r.settings.setPauseWhenHot(true);
        });
        row("rules gone", "", "", [](Rig &r) {
            r.settings.setPauseWhenHot(false);
            r.rules.reset();
            r.set("");
        });
    }
    void changes()
    {
        const auto &[now, later, event] = test::row<ChangeRow>();
        Rig rig("hot battery", "low battery");
        rig.scheduler.runPending();
        QCOMPARE(rig.take(), QStringLiteral("battery"));
        event(rig);
        QCOMPARE(rig.take(), now);
        rig.scheduler.runPending();
        QCOMPARE(rig.take(), later);
    }
};

QUINTARA_TEST_MAIN(PowerRulesTest)
#include "tst_powerrules.moc"
