#include "TestMain.h"

#include <QProcess>
#include <QRegularExpression>

// Two real Quintara processes on a private session bus.
class SingleInstanceTest : public QObject {
    Q_OBJECT

    QProcess m_bus;
    QString m_address;

    QProcessEnvironment environment(const QString &busAddress) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", busAddress);
        return env;
    }

    void start(QProcess &process, const QStringList &arguments, const QString &busAddress)
    {
        process.setProcessEnvironment(environment(busAddress));
        process.start(qEnvironmentVariable("QUINTARA_BINARY"), arguments);
        QVERIFY(process.waitForStarted(10000));
    }

    // Reads the first instance's diagnostics until `line` shows up.
    static bool waitForLine(QProcess &process, QByteArray &seen, const QByteArray &line)
    {
        for (int i = 0; i < 200 && !seen.contains(line); ++i) {
            process.waitForReadyRead(100);
            seen += process.readAllStandardError();
        }
        return seen.contains(line);
    }

    // Windows on the display titled exactly "Quintara": the control panel.
    static int controlWindows()
    {
        QProcess search;
        search.start("xdotool", {"search", "--onlyvisible", "--name", "^Quintara$"});
        search.waitForFinished(5000);
        return search.readAllStandardOutput().count('\n');
    }

    bool nameOwned()
    {
        QProcess check;
        check.setProcessEnvironment(environment(m_address));
        check.start("dbus-send", {"--session", "--print-reply", "--dest=org.freedesktop.DBus",
                                  "/org/freedesktop/DBus", "org.freedesktop.DBus.NameHasOwner",
                                  "string:com.quintara.Quintara"});
        check.waitForFinished(5000);
        return check.readAllStandardOutput().contains("boolean true");
    }

private slots:
    void initTestCase()
    {
        m_bus.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        QVERIFY(m_bus.waitForStarted(10000));
        QVERIFY(m_bus.waitForReadyRead(10000));
        m_address = QString::fromUtf8(m_bus.readLine()).trimmed();
        QVERIFY(!m_address.isEmpty());
    }

    void cleanupTestCase()
    {
        m_bus.kill();
        m_bus.waitForFinished();
    }

    void secondLaunchHandsOverAndExits()
    {
        QProcess first;
        start(first, {}, m_address);
        QTRY_VERIFY_WITH_TIMEOUT(nameOwned(), 20000);

        // No tray on this desktop: one line says how to reach the controls.
        QByteArray seen;
        QVERIFY(waitForLine(first, seen, "Quintara: no system tray"));
        // Not onboarded yet: the first launch opens no control panel.
        QCOMPARE(controlWindows(), 0);

        QProcess second;
        start(second, {}, m_address);
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        // The running instance shows its control panel, once, however often it is reopened.
        QTRY_COMPARE_WITH_TIMEOUT(controlWindows(), 1, 20000);
        QProcess again;
        start(again, {}, m_address);
        QVERIFY(again.waitForFinished(20000));
        QCOMPARE(again.exitCode(), 0);
        QCOMPARE(controlWindows(), 1);

        QProcess third;
        start(third, {"quintara://install?id=sea"}, m_address);
        QVERIFY(third.waitForFinished(20000));
        QCOMPARE(third.exitCode(), 0);
        QVERIFY(waitForLine(first, seen, "quintara://install?id=sea"));

        QCOMPARE(first.state(), QProcess::Running);
        first.terminate();
        QVERIFY(first.waitForFinished(10000));
    }

    void runsWithoutASessionBus()
    {
        QProcess alone;
        start(alone, {}, "unix:path=/nonexistent/quintara-test-bus");
        QByteArray seen;
        QVERIFY(waitForLine(alone, seen, "Quintara: no session bus"));
        QCOMPARE(seen.count("no session bus"), 1);
        QCOMPARE(alone.state(), QProcess::Running);
        alone.terminate();
        QVERIFY(alone.waitForFinished(10000));
    }
};

QUINTARA_TEST_MAIN(SingleInstanceTest)
#include "tst_singleinstance.moc"
