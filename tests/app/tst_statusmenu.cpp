#include "DBusMock.h"
#include "Rows.h"
#include "TestMain.h"
#include "app/StatusItem.h"
#include "app/StatusMenu.h"
#include "platform/LogSink.h"

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

StatusMenuState state(const QString &video = {}, QLocale locale = QLocale(QLocale::English))
{
    StatusMenuState state;
    state.currentVideo = video.isEmpty() ? QUrl() : QUrl::fromLocalFile(video);
    state.locale = locale;
    return state;
}

using TitleRow = std::tuple<QString, OptionalPauseReason, QString, QString, QString>;

} // namespace

class StatusMenuTest : public QObject {
    Q_OBJECT

private slots:
    // Launched at login before the panel: the item goes into the tray that comes later. First
    // in this process, so that nothing has asked Qt about a tray yet.
    void aTrayHostThatComesLaterGetsTheItem()
    {
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        StatusMenu model;
        StatusItem item([&] { return model.rebuild(state()); });
        QVERIFY(!item.install());
        QCOMPARE(log.matching("Quintara: no system tray").size(), 1);

        test::DBusMock watcher("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                               "org.kde.StatusNotifierWatcher");
        QVERIFY(watcher.addProperty("ProtocolVersion", 0));
        QVERIFY(watcher.addProperty("RegisteredStatusNotifierItems", QStringList()));
        QVERIFY(watcher.addMethod("RegisterStatusNotifierItem", "s", ""));
        // A watcher without a host is no tray yet, and Qt is not asked: it keeps its first answer.
        watcher.roundTrip();
        QVERIFY(!item.isShown());
        QVERIFY(watcher.addProperty("IsStatusNotifierHostRegistered", true));
        QVERIFY(watcher.emitSignal("StatusNotifierHostRegistered"));
        QTRY_VERIFY_WITH_TIMEOUT(watcher.calledMethods().contains("RegisterStatusNotifierItem"),
                                 10000);
        QVERIFY(item.isShown());
        QCOMPARE(log.matching("Quintara: no system tray").size(), 1);
    }

    void layoutWithNoWallpaper()
    {
        StatusMenu menu;
        const QList<MenuEntry> items = menu.rebuild(state());
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

    void titleAndPowerLine_data()
    {
        // Video, pause reason, machine state ("battery", "low", "hot"): title, power line.
        const auto row = test::rows<TitleRow>();
        using R = PauseReason;
        row("playing", {"/v/ocean.mp4", {}, "", "Ocean", "Now: plugged in"});
        row("battery",
            {"", R::battery, "battery", "No wallpaper — Paused on battery", "Now: on battery"});
        row("user",
            {"/v/deep_blue-sea.mov", R::user, "", "Deep blue sea — Paused", "Now: plugged in"});
        row("asleep",
            {"/v/ocean.mp4", R::displaysAsleep, "battery low hot",
             "Ocean — Paused, displays asleep", "Now: on battery, Low Power Mode, running hot"});
        row("hot", {"/v/ocean.mp4", R::hot, "hot", "Ocean — Paused while cooling down",
                    "Now: plugged in, running hot"});
    }
    void titleAndPowerLine()
    {
        const auto &[video, reason, machine, title, powerLine] = test::row<TitleRow>();
        StatusMenuState s = state(video);
        s.pauseReason = reason;
        s.onBattery = machine.contains("battery");
        s.lowPowerMode = machine.contains("low");
        s.hot = machine.contains("hot");
        s.pauseOnBattery = true;
        StatusMenu menu;
        const auto items = menu.rebuild(s);
        QCOMPARE(items.first().title, title);
        const auto power = find(items, "Power Saving").children;
        QCOMPARE(titles(power), (QStringList{"Pause on Battery", "Pause in Low Power Mode",
                                             "Pause When Mac Is Hot", "---", powerLine}));
        QVERIFY(!power.last().enabled);
        QVERIFY(power.at(0).checked.value() && power.at(1).checked.value());
    }

    void speedChecks_data()
    {
        const auto row = test::rows<std::tuple<double, QLocale, QStringList>>();
        const QLocale english(QLocale::English);
        row("stored 1.2", {1.2, english, QStringList{}});
        row("stored 0.5", {0.5, english, QStringList{"0.5\u00d7"}});
        row("within 0.001", {1.2505, english, QStringList{"1.25\u00d7"}});
        row("decimal comma",
            {0.25, QLocale(QLocale::German, QLocale::Germany), QStringList{"0,25\u00d7"}});
    }
    void speedChecks()
    {
        const auto &[speed, locale, checked] =
            test::row<std::tuple<double, QLocale, QStringList>>();
        StatusMenuState s = state("/v/a.mp4", locale);
        s.currentSpeed = speed;
        StatusMenu menu;
        const auto items = menu.rebuild(s);
        QCOMPARE(checkedSpeeds(items), checked);
        QSignalSpy chosen(&menu, &StatusMenu::speedRequested);
        find(items, "Speed").children.at(4).action->run();
        QCOMPARE(chosen.count(), 1);
        QCOMPARE(chosen.first().first().toDouble(), 1.25);
    }

    void onlyTheNewestTargetsAreKept()
    {
        StatusMenu menu;
        const auto first = menu.rebuild(state());
        const std::size_t live = menu.liveActionCount();
        const auto second = menu.rebuild(state());
        QCOMPARE(menu.liveActionCount(), live);
        QVERIFY(first.at(1).action.isNull() && !second.at(1).action.isNull());
    }

    void populatedQMenuMirrorsTheEntries()
    {
        StatusMenu menu;
        QMenu qmenu;
        QSignalSpy controls(&menu, &StatusMenu::showControlsRequested);
        for (int opening = 0; opening < 2; ++opening) {
            StatusItem::populate(&qmenu, menu.rebuild(state()));
            QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        }
        const QList<QAction *> actions = qmenu.actions();
        QCOMPARE(actions.size(), 12);
        QVERIFY(!actions.at(0)->isEnabled());
        QVERIFY(actions.at(7)->isCheckable() && actions.at(7)->isChecked());
        QCOMPARE(actions.at(3)->menu()->actions().size(), 6);
        // One submenu per kind, not one per opening.
        QCOMPARE(qmenu.findChildren<QMenu *>(Qt::FindDirectChildrenOnly).size(), 2);
        actions.at(5)->trigger();
        QCOMPARE(controls.count(), 1);
    }

    // The real tray item, against a tray host on this test's own session bus.
    void trayItemRegistersWithTheTrayHost()
    {
        test::DBusMock watcher("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                               "org.kde.StatusNotifierWatcher");
        QVERIFY(watcher.addProperty("IsStatusNotifierHostRegistered", true));
        QVERIFY(watcher.addProperty("ProtocolVersion", 0));
        QVERIFY(watcher.addProperty("RegisteredStatusNotifierItems", QStringList()));
        QVERIFY(watcher.addMethod("RegisterStatusNotifierItem", "s", ""));
        int builds = 0;
        StatusMenu model;
        StatusItem item([&] {
            ++builds;
            return model.rebuild(state());
        });
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        QVERIFY(item.install());
        QVERIFY(log.lines().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(watcher.calledMethods().contains("RegisterStatusNotifierItem"),
                                 10000);
        QCOMPARE(item.menu()->actions().size(), 12);
        // Every opening rebuilds the menu from the state of that moment.
        const int before = builds;
        emit item.menu()->aboutToShow();
        QCOMPARE(builds, before + 1);
    }
};

QUINTARA_TEST_MAIN(StatusMenuTest)
#include "tst_statusmenu.moc"
