#include "Desktop.h"
#include "TestMain.h"

#include <QDBusConnectionInterface>

using quintara::test::QuintaraProcess;

// Real Quintara processes on this test's own session bus.
class SingleInstanceTest : public QObject {
    Q_OBJECT

    // Windows titled exactly "Quintara": the control panel.
    static qsizetype controlWindows()
    {
        return quintara::test::windowsTitled("^Quintara$", true).size();
    }

private slots:
    void secondLaunchHandsOverAndExits()
    {
        QuintaraProcess first({});
        QTRY_VERIFY_WITH_TIMEOUT(
            QDBusConnection::sessionBus().interface()->isServiceRegistered("com.quintara.Quintara"),
            20000);
        // No tray on this desktop: one line says how to reach the controls.
        QVERIFY(first.waitForLog("Quintara: no system tray"));
        // Not onboarded yet: the first launch opens no control panel.
        QCOMPARE(controlWindows(), 0);

        // The running instance shows its control panel, once, however often it is reopened.
        QCOMPARE(QuintaraProcess({}).finish(), 0);
        QTRY_COMPARE_WITH_TIMEOUT(controlWindows(), 1, 20000);
        QCOMPARE(QuintaraProcess({}).finish(), 0);
        QCOMPARE(controlWindows(), 1);

        QCOMPARE(QuintaraProcess({"quintara://install?id=sea"}).finish(), 0);
        QVERIFY(first.waitForLog("quintara://install?id=sea"));
        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        QVERIFY(first.waitForFinished(10000));
    }

    void runsWithoutASessionBus()
    {
        QuintaraProcess alone({}, "unix:path=/nonexistent/quintara-test-bus");
        QVERIFY(alone.waitForLog("Quintara: no session bus"));
        QCOMPARE(alone.log.count("no session bus"), 1);
        QCOMPARE(alone.state(), QProcess::Running);
    }
};

QUINTARA_TEST_MAIN(SingleInstanceTest)
#include "tst_singleinstance.moc"
