#include "DBusMock.h"
#include "TestMain.h"
#include "app/StatusItem.h"
#include "platform/LogSink.h"
#include "platform/linux/AtSpiBus.h"

#include <QMenu>

using namespace quintara;

// The real tray item and accessibility switch, against desktop services on a private session bus.
class TrayItemTest : public QObject {
    Q_OBJECT

private slots:
    // Launched at login before the panel: the item goes into the tray that comes later. First
    // in this process, so that nothing has asked Qt about a tray yet.
    void aTrayHostThatComesLaterGetsTheItem()
    {
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        StatusMenu model;
        StatusItem item([&] { return model.rebuild(StatusMenuState{}); });
        QVERIFY(!item.install());
        QCOMPARE(log.matching("Quintara: no system tray").size(), 1);

        test::DBusMock watcher("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                               "org.kde.StatusNotifierWatcher");
        QVERIFY(watcher.addProperty("IsStatusNotifierHostRegistered", true));
        QVERIFY(watcher.addProperty("ProtocolVersion", 0));
        QVERIFY(watcher.addProperty("RegisteredStatusNotifierItems", QStringList()));
        QVERIFY(watcher.addMethod("RegisterStatusNotifierItem", "s", ""));
        QTRY_VERIFY_WITH_TIMEOUT(watcher.calledMethods().contains("RegisterStatusNotifierItem"),
                                 10000);
        QVERIFY(item.isShown());
        QCOMPARE(log.matching("Quintara: no system tray").size(), 1);
    }

    void registersWithTheTrayHost()
    {
        test::DBusMock watcher("org.kde.StatusNotifierWatcher", "/StatusNotifierWatcher",
                               "org.kde.StatusNotifierWatcher");
        QVERIFY(watcher.isRunning());
        QVERIFY(watcher.addProperty("IsStatusNotifierHostRegistered", true));
        QVERIFY(watcher.addProperty("ProtocolVersion", 0));
        QVERIFY(watcher.addProperty("RegisteredStatusNotifierItems", QStringList()));
        QVERIFY(watcher.addMethod("RegisterStatusNotifierItem", "s", ""));

        int builds = 0;
        StatusMenu model;
        StatusItem item([&] {
            ++builds;
            return model.rebuild(StatusMenuState{});
        });
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        QVERIFY(item.install());
        QVERIFY(log.lines().isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(watcher.calledMethods().contains("RegisterStatusNotifierItem"),
                                 10000);
        QVERIFY(builds >= 1);
        QCOMPARE(item.menu()->actions().size(), 12);

        // Every opening rebuilds the menu from the state of that moment.
        const int before = builds;
        emit item.menu()->aboutToShow();
        QCOMPARE(builds, before + 1);
    }

    void accessibilityBusIsTurnedOn()
    {
        test::DBusMock status("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Status");
        QVERIFY(status.isRunning());
        QVERIFY(status.addProperty("IsEnabled", false));
        AtSpiBus bus;
        QVERIFY(!bus.isEnabled());
        QVERIFY(bus.enable());
        QVERIFY(bus.isEnabled());
    }
};

QUINTARA_TEST_MAIN(TrayItemTest)
#include "tst_trayitem.moc"
