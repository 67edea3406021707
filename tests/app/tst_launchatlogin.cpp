#include "TestMain.h"
#include "app/AccessibilityRequest.h"
#include "app/LaunchAtLogin.h"
#include "platform/LogSink.h"
#include "platform/linux/JsonFileStore.h"
#include "platform/linux/XdgAutostart.h"
#include "settings/AppSettings.h"

#include <QDir>
#include <QFile>
#include <QStandardPaths>

using namespace quintara;

namespace {

// The real autostart entry, with a switch to make writing it fail.
class FailingAutostart final : public LoginItems {
public:
    bool isEnabled() const override { return m_real.isEnabled(); }
    bool enable(QString *error) override
    {
        ++enables;
        if (fail) {
            *error = QStringLiteral("permission denied");
            return false;
        }
        return m_real.enable(error);
    }
    bool disable(QString *error) override { return m_real.disable(error); }
    bool hasBundleIdentity() const override { return identity; }

    bool fail = false;
    bool identity = true;
    int enables = 0;

private:
    XdgAutostart m_real{QStringLiteral("/usr/bin/quintara")};
};

class FakeAccessibility final : public AccessibilityBus {
public:
    bool isEnabled() const override { return enabled; }
    bool enable() override
    {
        ++enableCalls;
        enabled = true;
        return true;
    }
    bool enabled = false;
    int enableCalls = 0;
};

QString readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

} // namespace

class LaunchAtLoginTest : public QObject {
    Q_OBJECT

private slots:
    void init()
    {
        QFile::remove(XdgAutostart::entryPath());
        QFile::remove(JsonFileStore::defaultPath());
    }

    void autostartEntry()
    {
        // Quotes, and a percent sign that must not read as a field code (%u, %f, ...).
        XdgAutostart autostart(QStringLiteral("/opt/My \"Apps\" 100%u/quintara"));
        QVERIFY(!autostart.isEnabled());
        QString error;
        QVERIFY(autostart.enable(&error));
        QVERIFY(autostart.isEnabled());
        const QString entry = readAll(XdgAutostart::entryPath());
        QVERIFY(entry.startsWith("[Desktop Entry]\n"));
        QVERIFY2(entry.contains(R"(Exec="/opt/My \\"Apps\\" 100%%u/quintara")"), qPrintable(entry));
        QVERIFY(autostart.disable(&error));
        QVERIFY(!autostart.isEnabled());
        QVERIFY(autostart.disable(&error)); // nothing to remove is fine

        // An entry the user hid in their session settings counts as off.
        QVERIFY(autostart.enable(&error));
        QFile f(XdgAutostart::entryPath());
        QVERIFY(f.open(QIODevice::Append));
        f.write("Hidden=true\n");
        f.close();
        QVERIFY(!autostart.isEnabled());
    }

    void bundleIdentity()
    {
        const QString apps = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
        QDir().mkpath(apps);
        const QString bin = QDir::homePath() + "/bin/quintara";
        QDir().mkpath(QDir::homePath() + "/bin");
        QFile(bin).open(QIODevice::WriteOnly);
        XdgAutostart installed(bin);
        QVERIFY(!installed.hasBundleIdentity()); // no desktop entry

        QFile entry(apps + "/com.quintara.Quintara.desktop");
        QVERIFY(entry.open(QIODevice::WriteOnly));
        entry.write(QStringLiteral("[Desktop Entry]\nExec=%1 %u\n").arg(bin).toUtf8());
        entry.close();
        QVERIFY(installed.hasBundleIdentity());
        // A build-tree binary beside an installed entry is not the installed app.
        QVERIFY(!XdgAutostart(QDir::homePath() + "/build/quintara").hasBundleIdentity());
    }

    void firstRunRegistersOnceAndRespectsLaterChoice()
    {
        JsonFileStore store(JsonFileStore::defaultPath());
        FailingAutostart items;
        LaunchAtLogin login(items, store);
        login.enableOnFirstRun();
        QVERIFY(login.isEnabled());
        QVERIFY(store.boolValue(settings_keys::didSetUpLaunchAtLogin));

        login.toggle(); // the user turns it off from the menu
        QVERIFY(!login.isEnabled());
        for (int launch = 0; launch < 3; ++launch) {
            JsonFileStore again(JsonFileStore::defaultPath());
            LaunchAtLogin later(items, again);
            later.enableOnFirstRun();
            QVERIFY(!later.isEnabled());
        }
        QCOMPARE(items.enables, 1);
    }

    void firstRunWithoutBundleIdentityWaits()
    {
        JsonFileStore store(JsonFileStore::defaultPath());
        FailingAutostart items;
        items.identity = false;
        LaunchAtLogin(items, store).enableOnFirstRun();
        QVERIFY(!items.isEnabled());
        QVERIFY(!store.boolValue(settings_keys::didSetUpLaunchAtLogin));
        QCOMPARE(items.enables, 0);
    }

    void firstRunFailureIsNotRetried()
    {
        JsonFileStore store(JsonFileStore::defaultPath());
        FailingAutostart items;
        items.fail = true;
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        LaunchAtLogin(items, store).enableOnFirstRun();
        LaunchAtLogin(items, store).enableOnFirstRun();
        QCOMPARE(items.enables, 1);
        QVERIFY(log.lines().isEmpty()); // silently ignored on the first run
    }

    void toggleFailureIsLogged()
    {
        JsonFileStore store(JsonFileStore::defaultPath());
        FailingAutostart items;
        items.fail = true;
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        LaunchAtLogin(items, store).toggle();
        QCOMPARE(log.lines(),
                 QStringList{"Quintara: launch at login change failed: permission denied"});
        QVERIFY(!items.isEnabled());
    }

    void accessibilityIsRequestedOnce()
    {
        JsonFileStore store(JsonFileStore::defaultPath());
        FakeAccessibility bus;
        QStringList told;
        AccessibilityRequest request(bus, store, [&](const QString &s) { told << s; });
        request.requestOnce();
        QCOMPARE(told, QStringList{AccessibilityRequest::reason()});
        QVERIFY(bus.enabled);
        bus.enabled = false; // the user turned it off again
        AccessibilityRequest(bus, store, [&](const QString &s) { told << s; }).requestOnce();
        QCOMPARE(told.size(), 1);
        QCOMPARE(bus.enableCalls, 1);
        QVERIFY(store.boolValue(settings_keys::askedForAccessibility));
    }

    void accessibilityAlreadyOnAsksNothing()
    {
        JsonFileStore store(JsonFileStore::defaultPath());
        FakeAccessibility bus;
        bus.enabled = true;
        bool told = false;
        AccessibilityRequest(bus, store, [&](const QString &) { told = true; }).requestOnce();
        QVERIFY(!told);
        QCOMPARE(bus.enableCalls, 0);
    }
};

QUINTARA_TEST_MAIN(LaunchAtLoginTest)
#include "tst_launchatlogin.moc"
