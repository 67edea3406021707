#include "TestMain.h"
#include "app/StatusItem.h"
#include "app/StatusMenu.h"

#include <QMenu>
#include <QSignalSpy>

using namespace quintara;

namespace {

QStringList titles(const QList<MenuEntry> &entries)
{
    QStringList out;
    for (const MenuEntry &e : entries)
        out << (e.kind == MenuEntry::Kind::separator ? QStringLiteral("---") : e.title);
    return out;
}

const MenuEntry &find(const QList<MenuEntry> &entries, const QString &title)
{
    for (const MenuEntry &e : entries)
        if (e.title == title)
            return e;
    qFatal("no menu entry %s", qPrintable(title));
}

QStringList checkedSpeeds(const QList<MenuEntry> &menu)
{
    QStringList out;
    for (const MenuEntry &e : find(menu, "Speed").children)
        if (e.checked.value_or(false))
            out << e.title;
    return out;
}

StatusMenuState englishState()
{
    StatusMenuState state;
    state.locale = QLocale(QLocale::English, QLocale::UnitedStates);
    return state;
}

} // namespace

class StatusMenuTest : public QObject {
    Q_OBJECT

private slots:
    void layoutWithNoWallpaper()
    {
        StatusMenu menu;
        const QList<MenuEntry> items = menu.rebuild(englishState());
        QCOMPARE(
            titles(items),
            (QStringList{"No wallpaper", "Pause Wallpaper", "Next Wallpaper", "Speed", "---",
                         "Wallpaper Controls\u2026", "Show Welcome\u2026", "Show Dynamic Island",
                         "Power Saving", "Launch at Login", "---", "Quit Quintara"}));
        QVERIFY(!items.first().enabled);
        QCOMPARE(titles(find(items, "Speed").children),
                 (QStringList{"0.25\u00d7", "0.5\u00d7", "0.75\u00d7", "1\u00d7", "1.25\u00d7",
                              "1.5\u00d7"}));
        QCOMPARE(checkedSpeeds(items), QStringList{"1\u00d7"});
        QCOMPARE(find(items, "Pause Wallpaper").shortcut, QKeySequence("Ctrl+P"));
        QCOMPARE(find(items, "Next Wallpaper").shortcut, QKeySequence("Ctrl+N"));
        QCOMPARE(find(items, "Wallpaper Controls\u2026").shortcut, QKeySequence("Ctrl+,"));
        QVERIFY(find(items, "Quit Quintara").quits);

        // Without a wallpaper, choosing a speed does nothing.
        QSignalSpy speed(&menu, &StatusMenu::speedRequested);
        find(items, "Speed").children.first().action->run();
        QCOMPARE(speed.count(), 0);
    }

    void titleLine_data()
    {
        QTest::addColumn<QString>("video");
        QTest::addColumn<int>("reason"); // -1: playing
        QTest::addColumn<QString>("title");
        QTest::newRow("battery") << "" << int(PauseReason::battery)
                                 << "No wallpaper \u2014 Paused on battery";
        QTest::newRow("user") << "/v/deep_blue-sea.mov" << int(PauseReason::user)
                              << "Deep blue sea \u2014 Paused";
        QTest::newRow("playing") << "/v/ocean.mp4" << -1 << "Ocean";
        QTest::newRow("asleep") << "/v/ocean.mp4" << int(PauseReason::displaysAsleep)
                                << "Ocean \u2014 Paused, displays asleep";
    }
    void titleLine()
    {
        QFETCH(QString, video);
        QFETCH(int, reason);
        QFETCH(QString, title);
        StatusMenuState state = englishState();
        if (!video.isEmpty())
            state.currentVideo = QUrl::fromLocalFile(video);
        if (reason >= 0)
            state.pauseReason = PauseReason(reason);
        StatusMenu menu;
        QCOMPARE(menu.rebuild(state).first().title, title);
    }

    void userPauseOffersResume()
    {
        StatusMenuState state = englishState();
        state.userPaused = true;
        StatusMenu menu;
        const auto items = menu.rebuild(state);
        QSignalSpy toggle(&menu, &StatusMenu::togglePauseRequested);
        find(items, "Resume Wallpaper").action->run();
        QCOMPARE(toggle.count(), 1);
    }

    void speedChecks_data()
    {
        QTest::addColumn<double>("speed");
        QTest::addColumn<QStringList>("checked");
        QTest::newRow("stored 1.2") << 1.2 << QStringList{};
        QTest::newRow("stored 0.5") << 0.5 << QStringList{"0.5\u00d7"};
        QTest::newRow("within 0.001") << 1.2505 << QStringList{"1.25\u00d7"};
    }
    void speedChecks()
    {
        QFETCH(double, speed);
        QFETCH(QStringList, checked);
        StatusMenuState state = englishState();
        state.currentVideo = QUrl::fromLocalFile("/v/a.mp4");
        state.currentSpeed = speed;
        StatusMenu menu;
        const auto items = menu.rebuild(state);
        QCOMPARE(checkedSpeeds(items), checked);
        QSignalSpy chosen(&menu, &StatusMenu::speedRequested);
        find(items, "Speed").children.at(4).action->run();
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(chosen.first().first().toDouble(), 1.25);
    }

    void decimalCommaLocale()
    {
        StatusMenuState state = englishState();
        state.locale = QLocale(QLocale::German, QLocale::Germany);
        StatusMenu menu;
        QCOMPARE(titles(find(menu.rebuild(state), "Speed").children),
                 (QStringList{"0,25\u00d7", "0,5\u00d7", "0,75\u00d7", "1\u00d7", "1,25\u00d7",
                              "1,5\u00d7"}));
    }

    void powerLine_data()
    {
        QTest::addColumn<bool>("battery");
        QTest::addColumn<bool>("lowPower");
        QTest::addColumn<bool>("hot");
        QTest::addColumn<QString>("line");
        QTest::newRow("plugged") << false << false << false << "Now: plugged in";
        QTest::newRow("all") << true << true << true
                             << "Now: on battery, Low Power Mode, running hot";
        QTest::newRow("hot only") << false << false << true << "Now: plugged in, running hot";
    }
    void powerLine()
    {
        QFETCH(bool, battery);
        QFETCH(bool, lowPower);
        QFETCH(bool, hot);
        QFETCH(QString, line);
        StatusMenuState state = englishState();
        state.onBattery = battery;
        state.lowPowerMode = lowPower;
        state.hot = hot;
        state.pauseOnBattery = true;
        StatusMenu menu;
        const auto power = find(menu.rebuild(state), "Power Saving").children;
        QCOMPARE(titles(power), (QStringList{"Pause on Battery", "Pause in Low Power Mode",
                                             "Pause When Mac Is Hot", "---", line}));
        QVERIFY(!power.last().enabled);
        QCOMPARE(power.at(0).checked, std::optional<bool>(true));
        QCOMPARE(power.at(1).checked, std::optional<bool>(true));
    }

    void onlyTheNewestTargetsAreKept()
    {
        StatusMenu menu;
        const auto first = menu.rebuild(englishState());
        const std::size_t live = menu.liveActionCount();
        const auto second = menu.rebuild(englishState());
        QCOMPARE(titles(first), titles(second));
        QCOMPARE(menu.liveActionCount(), live);
        QVERIFY(first.at(1).action.isNull());
        QVERIFY(!second.at(1).action.isNull());
        QSignalSpy shuffle(&menu, &StatusMenu::shuffleRequested);
        second.at(2).action->run();
        QCOMPARE(shuffle.count(), 1);
    }

    void everyItemEmitsItsIntent_data()
    {
        QTest::addColumn<QString>("submenu");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QByteArray>("signal");
        QTest::newRow("controls") << ""
                                  << "Wallpaper Controls\u2026"
                                  << QByteArray(SIGNAL(showControlsRequested()));
        QTest::newRow("island") << ""
                                << "Show Dynamic Island"
                                << QByteArray(SIGNAL(toggleShowIslandRequested()));
        QTest::newRow("login") << ""
                               << "Launch at Login"
                               << QByteArray(SIGNAL(toggleLaunchAtLoginRequested()));
        QTest::newRow("battery") << "Power Saving"
                                 << "Pause on Battery"
                                 << QByteArray(SIGNAL(togglePauseOnBatteryRequested()));
        QTest::newRow("low power")
            << "Power Saving"
            << "Pause in Low Power Mode" << QByteArray(SIGNAL(togglePauseInLowPowerRequested()));
        QTest::newRow("hot") << "Power Saving"
                             << "Pause When Mac Is Hot"
                             << QByteArray(SIGNAL(togglePauseWhenHotRequested()));
    }
    void everyItemEmitsItsIntent()
    {
        QFETCH(QString, submenu);
        QFETCH(QString, title);
        QFETCH(QByteArray, signal);
        StatusMenu menu;
        const auto items = menu.rebuild(englishState());
        const auto &entries = submenu.isEmpty() ? items : find(items, submenu).children;
        QSignalSpy spy(&menu, signal.constData());
        find(entries, title).action->run();
        QCOMPARE(spy.count(), 1);
    }

    void populatedQMenuMirrorsTheEntries()
    {
        StatusMenuState state = englishState();
        state.showIsland = true;
        StatusMenu menu;
        QMenu qmenu;
        QSignalSpy controls(&menu, &StatusMenu::showControlsRequested);
        for (int opening = 0; opening < 2; ++opening) {
            StatusItem::populate(&qmenu, menu.rebuild(state));
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        const QList<QAction *> actions = qmenu.actions();
        QCOMPARE(actions.size(), 12);
        QVERIFY(!actions.at(0)->isEnabled());
        QVERIFY(actions.at(7)->isCheckable() && actions.at(7)->isChecked());
        QVERIFY(actions.at(3)->menu());
        QCOMPARE(actions.at(3)->menu()->actions().size(), 6);
        // One submenu per kind, not one per opening.
        QCOMPARE(qmenu.findChildren<QMenu *>(Qt::FindDirectChildrenOnly).size(), 2);
        actions.at(5)->trigger();
        QCOMPARE(controls.count(), 1);
    }
};

QUINTARA_TEST_MAIN(StatusMenuTest)
#include "tst_statusmenu.moc"
