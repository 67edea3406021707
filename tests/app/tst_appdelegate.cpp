#include "FakeDesktop.h"
#include "FakePowerSources.h"
#include "Rows.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "app/AppDelegate.h"
#include "platform/LogSink.h"
#include "settings/VideoFiles.h"

#include <QDir>
#include <QQuickWindow>

using namespace quintara;
using namespace std::chrono_literals;

namespace {

using test::twoDisplays;

// A delegate on fake power sources and a fake engine, with a library folder of `files`; the
// first is the current video.
struct Delegate {
    test::MemoryStore store;
    test::VirtualScheduler scheduler;
    test::FakePowerSources power;
    AppDelegate delegate{store, scheduler, power.take()};
    AppSettings &settings = delegate.settings();
    test::FakeWallpaperEngine *&engine = test::useFakeEngine(delegate);
    const QString library = test::freshFolder(QStringLiteral("lib"));

    explicit Delegate(const QStringList &files = {})
    {
        for (const QString &name : files)
            test::writeFile(library + QLatin1Char('/') + name);
        settings.setLibraryFolder(QUrl::fromLocalFile(library + QLatin1Char('/')));
        if (!files.isEmpty())
            settings.setCurrentVideo(video(files.first()));
    }
    QUrl video(const QString &name) const { return QUrl::fromLocalFile(library + '/' + name); }
    double rate(const QString &name) const { return engine->backend.player(video(name))->rate; }
    // The status menu's entry at `path` ("Power Saving/Pause on Battery"), as it opens now.
    std::optional<MenuEntry> entry(const QString &path)
    {
        std::optional<MenuEntry> found;
        QList<MenuEntry> entries = delegate.statusMenu().rebuild(delegate.statusMenuState());
        for (const QString &title : path.split('/')) {
            const auto it = std::find_if(entries.cbegin(), entries.cend(),
                                         [&](const MenuEntry &e) { return e.title == title; });
            if (it == entries.cend())
                return std::nullopt;
            found = *it;
            entries = it->children;
        }
        return found;
    }
    void choose(const QString &path)
    {
        const auto chosen = entry(path);
        QVERIFY2(chosen && chosen->action, qPrintable(path));
        chosen->action->run();
    }
};

} // namespace

class AppDelegateTest : public QObject {
    Q_OBJECT

private slots:
    void shuffle_data()
    {
        // offered: how many videos shuffle chose from; 0: none
        const auto row = test::rows<std::tuple<QStringList, QString, int>>();
        const QStringList three{"a.mp4", "b.m4v", "c.MOV"};
        row("the other video", {QStringList{"a.MP4", "b.mov", "x.txt", ".x"}, "", 1});
        row("never the current one", {three, "", 2});
        row("only the current video", {QStringList{"a.mp4", "x.txt"}, "", 0});
        row("no video", {QStringList{"x.txt"}, "", 0});
        row("folder missing", {three, "missing", 0});
        row("folder unreadable", {three, "unreadable", 0});
        row("no library folder", {three, "none", 0});
    }
    void shuffle()
    {
        const auto &[files, folder, offered] = test::row<std::tuple<QStringList, QString, int>>();
        if (folder == "unreadable" && geteuid() == 0)
            QSKIP("root reads every folder");
        Delegate d(files);
        const QUrl current = d.settings.currentVideo();
        if (folder == "missing")
            QDir(d.library).removeRecursively();
        if (folder == "unreadable")
            QFile::setPermissions(d.library, QFileDevice::WriteOwner);
        if (folder == "none")
            d.settings.setLibraryFolder(QUrl());
        // One candidate goes through the real random choice; the others record what was offered.
        QList<qsizetype> counts;
        if (offered != 1)
            d.delegate.setRandomIndex([&](qsizetype count) {
                counts.append(count);
                return count - 1;
            });
        d.delegate.applicationDidFinishLaunching();
        int assignments = 0;
        connect(&d.settings, &AppSettings::currentVideoWillChange, this, [&] { ++assignments; });
        d.choose("Next Wallpaper");
        QFile::setPermissions(d.library, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QCOMPARE(assignments, offered ? 1 : 0);
        if (!offered) {
            QCOMPARE(d.settings.currentVideo(), current);
            return;
        }
        if (offered > 1)
            QCOMPARE(counts, QList<qsizetype>{offered});
        const QUrl chosen = d.settings.currentVideo();
        QVERIFY(chosen != current && files.contains(chosen.fileName()));
        QVERIFY(isSupportedVideo(chosen.fileName()));
        QCOMPARE(AppSettings(d.store).currentVideo(), chosen); // persisted
        // Every display crossfades to the new choice.
        for (test::FakeWindow *window : d.engine->backend.windows) {
            QCOMPARE(window->top()->player->record().url, chosen);
            QCOMPARE(window->top()->fades, QList<WallpaperLayer::Duration>{900ms});
        }
    }

    void launchBuildsOneWindowPerDisplayAndRebuildsOnChange()
    {
        Delegate d({"a.mp4"});
        MemoryLogSink log;
        ScopedLogSink scope(&log);
        d.delegate.applicationDidFinishLaunching();
        QCOMPARE(d.engine->backend.windows.size(), 2);
        QCOMPARE(d.engine->backend.players.size(), 1);
        QCOMPARE(log.matching("Quintara: span="),
                 QStringList{"Quintara: span=true, mode=fill, One=a.mp4, Two=a.mp4"});
        // A burst of changes rebuilds once, at the next turn of the event loop.
        d.engine->displays.list = {twoDisplays.last()};
        d.delegate.screensChanged();
        d.delegate.screensChanged();
        QCOMPARE(d.engine->backend.windows.size(), 2);
        d.scheduler.runPending();
        QCOMPARE(d.engine->backend.windowsCreated, 3);
        QCOMPARE(d.engine->backend.windows.size(), 1);
        QCOMPARE(d.engine->backend.windows.first()->display.name, QStringLiteral("Two"));
    }

    void chooseWallpaper_data()
    {
        const auto row = test::rows<std::tuple<QString, bool>>();
        row("a video", {"b.m4v", true});
        row("missing", {"gone.mp4", false});
        row("not a video", {"notes.txt", false});
    }
    void chooseWallpaper()
    {
        const auto &[name, accepted] = test::row<std::tuple<QString, bool>>();
        Delegate d({"a.mp4", "b.m4v", "notes.txt"});
        d.settings.setVideo(d.video("notes.txt"), QStringLiteral("id-2"));
        d.delegate.applicationDidFinishLaunching();
        MemoryLogSink log;
        ScopedLogSink scope(&log);
        QCOMPARE(d.delegate.chooseWallpaper(d.video(name)), accepted);
        // Accepted: every display, per-display choices cleared, crossfading in.
        const AppSettings stored(d.store);
        QCOMPARE(stored.currentVideo(), d.video(accepted ? name : "a.mp4"));
        QCOMPARE(stored.screenVideos().size(), accepted ? 0 : 1);
        QCOMPARE(log.matching("Quintara: cannot use ").size(), accepted ? 0 : 1);
        for (test::FakeWindow *window : d.engine->backend.windows)
            QVERIFY(!accepted || window->top()->player->record().url == d.video(name));
    }

    void menuChoicesAreCarriedOut()
    {
        Delegate d({"a.mp4", "b.mp4"});
        d.delegate.applicationDidFinishLaunching();
        d.scheduler.runPending();
        QCOMPARE(d.rate("a.mp4"), 1.0);
        d.choose("Pause Wallpaper");
        QCOMPARE(d.rate("a.mp4"), 0.0);
        QVERIFY(d.entry("A \u2014 Paused"));
        d.choose("Resume Wallpaper");
        QCOMPARE(d.rate("a.mp4"), 1.0);
        d.entry("Speed")->children.at(1).action->run(); // 0.5x
        QCOMPARE(d.settings.speed(d.video("a.mp4")), 0.5);
        d.scheduler.runPending();
        QCOMPARE(d.rate("a.mp4"), 0.5);
        QVERIFY(d.entry("Speed")->children.at(1).checked.value());

        // The switches are stored at once.
        for (const char *path :
             {"Show Dynamic Island", "Power Saving/Pause on Battery",
              "Power Saving/Pause in Low Power Mode", "Power Saving/Pause When Mac Is Hot"})
            d.choose(path);
        const AppSettings stored(d.store);
        QVERIFY(!stored.showIsland() && stored.pauseOnBattery());
        QVERIFY(!stored.pauseInLowPower() && !stored.pauseWhenHot());
        QVERIFY(!d.delegate.statusMenuState().launchAtLogin);
        d.choose("Launch at Login");
        QVERIFY(d.delegate.statusMenuState().launchAtLogin);
        d.choose("Wallpaper Controls\u2026");
        QVERIFY(d.delegate.controlWindow().window()->isVisible());
    }

    void powerRulesPauseThePlayersAtLaunch()
    {
        Delegate d({"a.mp4"});
        d.power.battery->set(true);
        d.settings.setPauseOnBattery(true);
        d.delegate.applicationDidFinishLaunching();
        d.scheduler.runPending();
        QCOMPARE(d.engine->engine.pauseReason(), OptionalPauseReason(PauseReason::battery));
        QCOMPARE(d.rate("a.mp4"), 0.0);
        QVERIFY(d.entry("A \u2014 Paused on battery"));
        QVERIFY(d.entry("Power Saving/Now: on battery"));
        d.power.battery->set(false);
        d.scheduler.runPending();
        QCOMPARE(d.engine->engine.pauseReason(), OptionalPauseReason());
        QCOMPARE(d.rate("a.mp4"), 1.0);
    }

    void controlPanelOpensAtLaunchOnlyAfterOnboarding_data()
    {
        QTest::addColumn<bool>("onboarded");
        QTest::newRow("onboarded") << true;
        QTest::newRow("first launch") << false;
    }
    void controlPanelOpensAtLaunchOnlyAfterOnboarding()
    {
        QFETCH(bool, onboarded);
        Delegate d;
        d.settings.setHasOnboarded(onboarded);
        d.delegate.applicationDidFinishLaunching();
        QCOMPARE(d.delegate.controlWindow().window() != nullptr, onboarded);
        // Reopening always shows it, and never a second one.
        QVERIFY(d.delegate.applicationShouldHandleReopen());
        QQuickWindow *window = d.delegate.controlWindow().window();
        QVERIFY(window && window->isVisible());
        d.delegate.applicationShouldHandleReopen();
        QCOMPARE(d.delegate.controlWindow().window(), window);
    }
};

QUINTARA_TEST_MAIN(AppDelegateTest)
#include "tst_appdelegate.moc"
