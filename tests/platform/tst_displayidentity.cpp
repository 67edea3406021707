#include "DBusMock.h"
#include "Rows.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "platform/linux/ScreenDisplayServer.h"
#include "platform/linux/SessionDisplayPower.h"
#include "platform/linux/X11DesktopVisibility.h"

#include <QDBusConnection>
#include <QProcess>
#include <QSignalSpy>
#include <QUuid>

using namespace quintara;

// Display ids, names and the coverage rule behind desktop visibility.
class DisplayIdentityTest : public QObject {
    Q_OBJECT

private slots:
    void idsAndNames()
    {
        const QString a = stableDisplayId("DEL", "U2720Q", "ABC123", "DP-1");
        QVERIFY(!QUuid::fromString(a).isNull());
        // The same monitor on another connector keeps its id; its serial tells it apart.
        QCOMPARE(stableDisplayId("DEL", "U2720Q", "ABC123", "HDMI-1"), a);
        QVERIFY(stableDisplayId("DEL", "U2720Q", "XYZ789", "DP-1") != a);
        // No EDID identity: the connector name.
        QCOMPARE(stableDisplayId("", "", "", "DUMMY0"), QStringLiteral("DUMMY0"));
        // Two identical monitors without serial numbers do not share one id.
        const QString first = stableDisplayId("GSM", "LG FHD", "", "DP-1");
        const QString second = stableDisplayId("GSM", "LG FHD", "", "DP-2", {first});
        QVERIFY(second != first);
        QCOMPARE(stableDisplayId("GSM", "LG FHD", "", "DP-2", {first}), second);

        QCOMPARE(displayName("Dell", "U2720Q", "DP-1"), QStringLiteral("Dell U2720Q"));
        QCOMPARE(displayName("", "U2720Q", "DP-1"), QStringLiteral("U2720Q"));
        QCOMPARE(displayName("", "", "DUMMY1"), QStringLiteral("DUMMY1"));
    }

    // The screen saver's signal on the session bus, as a screen locker sends it.
    void screenSaverSleepsAndWakesTheDisplays()
    {
        if (!QDBusConnection::sessionBus().isConnected())
            QSKIP("needs a session bus (run under scripts/lib/test-session)");
        test::VirtualScheduler clock;
        SessionDisplayPower power(clock);
        QSignalSpy slept(&power, &DisplayPower::displaysDidSleep);
        QSignalSpy woke(&power, &DisplayPower::displaysDidWake);
        const auto active = [](const char *value) {
            QProcess::execute("gdbus",
                              {"emit", "--session", "--object-path", "/org/freedesktop/ScreenSaver",
                               "--signal", "org.freedesktop.ScreenSaver.ActiveChanged", value});
        };
        active("true");
        QTRY_COMPARE_WITH_TIMEOUT(slept.size(), 1, 10000);
        active("true"); // a repeat changes nothing
        active("false");
        QTRY_COMPARE_WITH_TIMEOUT(woke.size(), 1, 10000);
        QCOMPARE(slept.size(), 1);
    }

    // A screen locked before Quintara starts is asked about, not only awaited.
    void screenSaverActiveAtStartSleepsTheDisplays()
    {
        test::DBusMock screenSaver("org.freedesktop.ScreenSaver", "/org/freedesktop/ScreenSaver",
                                   "org.freedesktop.ScreenSaver");
        QVERIFY(screenSaver.addMethod("GetActive", "", "b", "ret = True"));
        test::VirtualScheduler clock;
        SessionDisplayPower power(clock);
        QTRY_VERIFY_WITH_TIMEOUT(power.displaysAsleep(), 10000);
    }

    void coverage_data()
    {
        const auto row = test::rows<std::tuple<QList<QRect>, bool>>();
        row("nothing above", {QList<QRect>{}, true});
        row("maximised", {QList<QRect>{{0, 0, 1920, 1080}}, false});
        row("larger than the display", {QList<QRect>{{-10, -30, 1940, 1120}}, false});
        row("one pixel short", {QList<QRect>{{0, 0, 1920, 1079}}, true});
        row("two halves", {QList<QRect>{{0, 0, 960, 1080}, {960, 0, 960, 1080}}, false});
        row("overlapping pieces, a gap left",
            {QList<QRect>{{0, 0, 1000, 1080}, {900, 0, 900, 1080}}, true});
        row("on another display", {QList<QRect>{{1920, 0, 1920, 1080}}, true});
    }
    void coverage()
    {
        const auto &[frames, uncovered] = test::row<std::tuple<QList<QRect>, bool>>();
        QCOMPARE(anyPartUncovered(QRect(0, 0, 1920, 1080), frames), uncovered);
    }
};

QUINTARA_TEST_MAIN(DisplayIdentityTest)
#include "tst_displayidentity.moc"
