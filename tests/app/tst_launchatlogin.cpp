#include "FakeIsland.h"
#include "Rows.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "app/AccessibilityRequest.h"
#include "app/LaunchAtLogin.h"
#include "platform/LogSink.h"
#include "platform/linux/XdgAutostart.h"
#include "settings/AppSettings.h"

#include <QDir>
#include <QStandardPaths>

using namespace quintara;

namespace {

// The real autostart entry, with switches to make writing it fail and to run from a build tree.
class FailingAutostart final : public LoginItems {
public:
    bool isEnabled() const override { return m_real.isEnabled(); }
    bool enable(QString *error) override
    {
        ++enables;
        if (fail)
            *error = QStringLiteral("permission denied");
        return !fail && m_real.enable(error);
    }
    bool disable(QString *error) override { return m_real.disable(error); }
    bool hasBundleIdentity() const override { return identity; }

    bool fail = false;
    bool identity = true;
    int enables = 0;

private:
    XdgAutostart m_real{QStringLiteral("/usr/bin/quintara")};
};

} // namespace

class LaunchAtLoginTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QFile::remove(XdgAutostart::entryPath()); }

    void autostartEntry()
    {
        // Quotes, and a percent sign that must not read as a field code (%u, %f, ...).
        XdgAutostart autostart(QStringLiteral("/opt/My \"Apps\" 100%u/quintara"));
        QVERIFY(!autostart.isEnabled());
        QString error;
        QVERIFY(autostart.enable(&error));
        QVERIFY(autostart.isEnabled());
        const QString entry = test::readFile(XdgAutostart::entryPath());
        QVERIFY(entry.startsWith("[Desktop Entry]\n"));
        QVERIFY2(entry.contains(R"(Exec="/opt/My \\"Apps\\" 100%%u/quintara")"), qPrintable(entry));
        QVERIFY(autostart.disable(&error));
        QVERIFY(!autostart.isEnabled());
        QVERIFY(autostart.disable(&error)); // nothing to remove is fine

        // An entry the user hid in their session settings counts as off.
        QVERIFY(autostart.enable(&error));
        QVERIFY(test::writeFile(XdgAutostart::entryPath(), entry.toUtf8() + "Hidden=true\n"));
        QVERIFY(!autostart.isEnabled());
    }

    void bundleIdentity()
    {
        const QString apps = QStandardPaths::writableLocation(QStandardPaths::ApplicationsLocation);
        const QString bin = QDir::homePath() + "/bin/quintara";
        QVERIFY(test::writeFile(bin));
        XdgAutostart installed(bin);
        QVERIFY(!installed.hasBundleIdentity()); // no desktop entry
        QVERIFY(test::writeFile(apps + "/com.quintara.Quintara.desktop",
                                "[Desktop Entry]\nExec=" + bin.toUtf8() + " %u\n"));
        QVERIFY(installed.hasBundleIdentity());
        // A build-tree binary beside an installed entry is not the installed app.
        QVERIFY(!XdgAutostart(QDir::homePath() + "/build/quintara").hasBundleIdentity());
    }

    // Launched twice: the first run registers once; a build tree or a failure leaves it off.
    void firstRun_data()
    {
        const auto row = test::rows<std::tuple<bool, bool>>();
        row("installed", {true, false});
        row("from a build tree", {false, false});
        row("writing fails", {true, true});
    }
    void firstRun()
    {
        const auto &[identity, fail] = test::row<std::tuple<bool, bool>>();
        test::MemoryStore store;
        FailingAutostart items;
        items.identity = identity;
        items.fail = fail;
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        LaunchAtLogin(items, store).enableOnFirstRun();
        LaunchAtLogin(items, store).enableOnFirstRun();
        QCOMPARE(items.enables, identity ? 1 : 0);
        QCOMPARE(items.isEnabled(), identity && !fail);
        // Without the installed app the flag stays unset, for the app's own first run.
        QCOMPARE(store.boolValue(settings_keys::didSetUpLaunchAtLogin), identity);
        QVERIFY(log.lines().isEmpty()); // silently ignored on the first run
    }

    void laterChoicesAreRespectedAndFailuresLogged()
    {
        test::MemoryStore store;
        FailingAutostart items;
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        LaunchAtLogin login(items, store);
        login.enableOnFirstRun();
        login.toggle(); // the user turns it off from the menu
        LaunchAtLogin(items, store).enableOnFirstRun();
        QVERIFY(!items.isEnabled());
        QCOMPARE(items.enables, 1);
        items.fail = true;
        login.toggle();
        QCOMPARE(log.lines(),
                 QStringList{"Quintara: launch at login change failed: permission denied"});
        QVERIFY(!login.isEnabled());
    }

    void accessibilityIsRequestedOnce_data()
    {
        QTest::addColumn<bool>("alreadyOn");
        QTest::newRow("off") << false;
        QTest::newRow("already on") << true;
    }
    void accessibilityIsRequestedOnce()
    {
        QFETCH(bool, alreadyOn);
        test::MemoryStore store;
        test::FakeAccessibility bus;
        bus.enabled = alreadyOn;
        QStringList told;
        const auto tell = [&](const QString &s) { told << s; };
        AccessibilityRequest(bus, store, tell).requestOnce();
        QCOMPARE(told, alreadyOn ? QStringList{} : QStringList{AccessibilityRequest::reason()});
        QVERIFY(bus.enabled);
        bus.enabled = false; // the user turned it off again
        AccessibilityRequest(bus, store, tell).requestOnce();
        QCOMPARE(told.size(), alreadyOn ? 0 : 1);
        QCOMPARE(bus.enableCalls, alreadyOn ? 0 : 1);
        QVERIFY(store.boolValue(settings_keys::askedForAccessibility));
    }
};

QUINTARA_TEST_MAIN(LaunchAtLoginTest)
#include "tst_launchatlogin.moc"
