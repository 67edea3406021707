#include "FakeEngine.h"
#include "FakePowerSources.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "app/AppDelegate.h"
#include "platform/LogSink.h"
#include "platform/linux/JsonFileStore.h"

#include <QDir>
#include <QFile>
#include <QQuickItem>
#include <QQuickWindow>

using namespace quintara;
using namespace std::chrono_literals;

namespace {

// The engine on fake displays, windows and players.
struct FakeWallpaperEngine final : WallpaperEngine {
    test::FakeBackend backend;
    test::FakeDisplays displays;
    test::FakeVisibility visibility;
    DisplayPower power;
    WallpaperController engine;

    FakeWallpaperEngine(AppSettings &settings, Scheduler &scheduler, QList<DisplayInfo> list)
        : engine(settings, {backend, displays, visibility, power, scheduler})
    {
        displays.list = std::move(list);
    }
    WallpaperController &controller() override { return engine; }
};

const QList<DisplayInfo> twoDisplays{{"id-1", "One", QRect(0, 0, 800, 600), "DUMMY0"},
                                     {"id-2", "Two", QRect(800, 0, 640, 480), "DUMMY1"}};

// Installs a fake engine and returns it once the delegate makes it.
FakeWallpaperEngine *&useFakeEngine(AppDelegate &delegate,
                                    QList<DisplayInfo> displays = twoDisplays)
{
    static FakeWallpaperEngine *made = nullptr;
    made = nullptr;
    delegate.setWallpaperEngineFactory([displays](AppSettings &settings, Scheduler &scheduler) {
        auto engine = std::make_unique<FakeWallpaperEngine>(settings, scheduler, displays);
        made = engine.get();
        return engine;
    });
    return made;
}

} // namespace

class AppDelegateTest : public QObject {
    Q_OBJECT

    QString m_library;

    void touch(const QString &name)
    {
        QFile f(m_library + QLatin1Char('/') + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }
    QUrl video(const QString &name) const
    {
        return QUrl::fromLocalFile(m_library + QLatin1Char('/') + name);
    }

private slots:
    void init()
    {
        QDir(JsonFileStore::defaultPath()).removeRecursively();
        QFile::remove(JsonFileStore::defaultPath());
        m_library = QDir::homePath() + QStringLiteral("/lib");
        QDir(m_library).removeRecursively();
        QDir().mkpath(m_library);
    }

    void shufflePicksTheOtherSupportedVideo()
    {
        for (const char *name : {"a.MP4", "b.mov", "notes.txt", ".DS_Store"})
            touch(name);
        JsonFileStore store(JsonFileStore::defaultPath());
        test::VirtualScheduler scheduler;
        AppDelegate delegate(store, scheduler);
        useFakeEngine(delegate);
        delegate.settings().setLibraryFolder(QUrl::fromLocalFile(m_library + "/"));
        delegate.settings().setCurrentVideo(video("a.MP4"));
        for (int i = 0; i < 20; ++i) {
            delegate.settings().setCurrentVideo(video("a.MP4"));
            delegate.shuffle();
            QCOMPARE(delegate.settings().currentVideo(), video("b.mov"));
        }
        // What shuffle picks is persisted.
        JsonFileStore reread(JsonFileStore::defaultPath());
        QCOMPARE(AppSettings(reread).currentVideo(), video("b.mov"));
    }

    void shuffleNeverPicksTheCurrentVideo()
    {
        for (const char *name : {"a.mp4", "b.m4v", "c.MOV"})
            touch(name);
        JsonFileStore store(JsonFileStore::defaultPath());
        test::VirtualScheduler scheduler;
        AppDelegate delegate(store, scheduler);
        useFakeEngine(delegate);
        QList<qsizetype> counts;
        delegate.setRandomIndex([&](qsizetype count) {
            counts.append(count);
            return count - 1;
        });
        delegate.settings().setLibraryFolder(QUrl::fromLocalFile(m_library));
        delegate.settings().setCurrentVideo(video("b.m4v"));
        delegate.shuffle();
        QCOMPARE(counts, QList<qsizetype>{2});
        QVERIFY(delegate.settings().currentVideo() != video("b.m4v"));
        QVERIFY(QFile::exists(delegate.settings().currentVideo().toLocalFile()));
    }

    void shuffleChangesNothing_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<bool>("readable");
        QTest::newRow("only the current video") << QStringList{"a.mp4", "x.txt"} << true;
        QTest::newRow("no video") << QStringList{"x.txt"} << true;
        QTest::newRow("folder missing") << QStringList{} << false;
    }
    void shuffleChangesNothing()
    {
        QFETCH(QStringList, files);
        QFETCH(bool, readable);
        for (const QString &name : files)
            touch(name);
        if (!readable)
            QDir(m_library).removeRecursively();
        JsonFileStore store(JsonFileStore::defaultPath());
        test::VirtualScheduler scheduler;
        AppDelegate delegate(store, scheduler);
        useFakeEngine(delegate);
        delegate.settings().setLibraryFolder(QUrl::fromLocalFile(m_library));
        delegate.settings().setCurrentVideo(video("a.mp4"));
        int assignments = 0;
        connect(&delegate.settings(), &AppSettings::currentVideoWillChange, this,
                [&] { ++assignments; });
        delegate.shuffle();
        QCOMPARE(assignments, 0);
        QCOMPARE(delegate.settings().currentVideo(), video("a.mp4"));
    }

    void shuffleInAnUnreadableFolderChangesNothing()
    {
        if (geteuid() == 0)
            QSKIP("root reads every folder");
        touch("b.mp4");
        QFile::setPermissions(m_library, QFileDevice::WriteOwner);
        JsonFileStore store(JsonFileStore::defaultPath());
        test::VirtualScheduler scheduler;
        AppDelegate delegate(store, scheduler);
        useFakeEngine(delegate);
        delegate.settings().setLibraryFolder(QUrl::fromLocalFile(m_library));
        delegate.shuffle();
        QFile::setPermissions(m_library, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                             QFileDevice::ExeOwner);
        QVERIFY(delegate.settings().currentVideo().isEmpty());
    }

    void launchBuildsOneWindowPerDisplayAndRebuildsOnChange()
    {
        touch("a.mp4");
        JsonFileStore store(JsonFileStore::defaultPath());
        test::VirtualScheduler scheduler;
        AppDelegate delegate(store, scheduler);
        FakeWallpaperEngine *&engine = useFakeEngine(delegate);
        delegate.settings().setCurrentVideo(video("a.mp4"));
        MemoryLogSink log;
        ScopedLogSink scope(&log);
        delegate.applicationDidFinishLaunching();
        QVERIFY(engine);
        QCOMPARE(engine->backend.windows.size(), 2);
        QCOMPARE(engine->backend.players.size(), 1);
        QCOMPARE(log.matching("Quintara: span="),
                 QStringList{"Quintara: span=true, mode=fill, One=a.mp4, Two=a.mp4"});

        engine->displays.list = {twoDisplays.last()};
        delegate.screensChanged();
        delegate.screensChanged();
        QCOMPARE(engine->backend.windows.size(), 2);
        scheduler.runPending();
        QCOMPARE(engine->backend.windows.size(), 1);
        QCOMPARE(engine->backend.windowsCreated, 3);
        QCOMPARE(engine->backend.windows.first()->display.name, QStringLiteral("Two"));
    }

    void shuffleCrossfadesToTheNewChoice()
    {
        for (const char *name : {"a.mp4", "b.mp4"})
            touch(name);
        JsonFileStore store(JsonFileStore::defaultPath());
        test::VirtualScheduler scheduler;
        AppDelegate delegate(store, scheduler);
        FakeWallpaperEngine *&engine = useFakeEngine(delegate);
        delegate.settings().setLibraryFolder(QUrl::fromLocalFile(m_library));
        delegate.settings().setCurrentVideo(video("a.mp4"));
        delegate.applicationDidFinishLaunching();
        delegate.shuffle();
        for (test::FakeWindow *window : engine->backend.windows) {
            QCOMPARE(window->top()->player->record().url, video("b.mp4"));
            QCOMPARE(window->top()->fades, QList<WallpaperLayer::Duration>{900ms});
        }
    }

    void chooseWallpaper_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("a video") << "b.m4v" << true;
        QTest::newRow("missing") << "gone.mp4" << false;
        QTest::newRow("not a video") << "notes.txt" << false;
    }
    void chooseWallpaper()
    {
        QFETCH(QString, name);
        QFETCH(bool, accepted);
        for (const char *file : {"a.mp4", "b.m4v", "notes.txt"})
            touch(file);
        JsonFileStore store(JsonFileStore::defaultPath());
        test::VirtualScheduler scheduler;
        AppDelegate delegate(store, scheduler);
        FakeWallpaperEngine *&engine = useFakeEngine(delegate);
        delegate.settings().setCurrentVideo(video("a.mp4"));
        delegate.settings().setVideo(video("notes.txt"), QStringLiteral("id-2"));
        delegate.applicationDidFinishLaunching();
        MemoryLogSink log;
        ScopedLogSink scope(&log);

        QCOMPARE(delegate.chooseWallpaper(video(name)), accepted);
        JsonFileStore reread(JsonFileStore::defaultPath());
        AppSettings stored(reread);
        if (accepted) {
            // Every display, per-display choices cleared, crossfading in.
            QCOMPARE(stored.currentVideo(), video(name));
            QVERIFY(stored.screenVideos().isEmpty());
            for (test::FakeWindow *window : engine->backend.windows)
                QCOMPARE(window->top()->player->record().url, video(name));
        } else {
            QCOMPARE(stored.currentVideo(), video("a.mp4"));
            QCOMPARE(stored.screenVideos().size(), 1);
            QCOMPARE(log.lines().size(), 1);
            QVERIFY(log.lines().first().startsWith("Quintara: cannot use "));
        }
    }

    void shuffleWithoutALibraryFolderDoesNothing()
    {
        touch("b.mp4");
        JsonFileStore store(JsonFileStore::defaultPath());
        test::VirtualScheduler scheduler;
        AppDelegate delegate(store, scheduler);
        useFakeEngine(delegate);
        delegate.settings().setLibraryFolder(QUrl());
        delegate.shuffle();
        QVERIFY(delegate.settings().currentVideo().isEmpty());
    }

    // The status menu's choices, carried out by the delegate.
    void menuPauseAndSpeedReachThePlayers()
    {
        touch("a.mp4");
        JsonFileStore store(JsonFileStore::defaultPath());
        test::VirtualScheduler scheduler;
        AppDelegate delegate(store, scheduler);
        FakeWallpaperEngine *&engine = useFakeEngine(delegate);
        delegate.settings().setCurrentVideo(video("a.mp4"));
        delegate.applicationDidFinishLaunching();
        scheduler.runPending();
        const auto player = engine->backend.player(video("a.mp4"));
        QVERIFY(player);
        QCOMPARE(player->rate, 1.0);

        auto items = delegate.statusMenu().rebuild(delegate.statusMenuState());
        QCOMPARE(items.at(1).title, QStringLiteral("Pause Wallpaper"));
        items.at(1).action->run();
        QCOMPARE(player->rate, 0.0);
        items = delegate.statusMenu().rebuild(delegate.statusMenuState());
        QCOMPARE(items.at(0).title, QStringLiteral("A \u2014 Paused"));
        QCOMPARE(items.at(1).title, QStringLiteral("Resume Wallpaper"));
        items.at(1).action->run();
        QCOMPARE(player->rate, 1.0);

        items = delegate.statusMenu().rebuild(delegate.statusMenuState());
        items.at(3).children.at(1).action->run(); // 0.5x
        QCOMPARE(delegate.settings().speed(video("a.mp4")), 0.5);
        scheduler.runPending();
        QCOMPARE(player->rate, 0.5);
        items = delegate.statusMenu().rebuild(delegate.statusMenuState());
        QVERIFY(items.at(3).children.at(1).checked.value_or(false));
    }

    void menuTogglesPersistTheSettings()
    {
        JsonFileStore store(JsonFileStore::defaultPath());
        test::VirtualScheduler scheduler;
        AppDelegate delegate(store, scheduler);
        useFakeEngine(delegate);
        delegate.applicationDidFinishLaunching();
        auto items = delegate.statusMenu().rebuild(delegate.statusMenuState());
        items.at(7).action->run();                // Show Dynamic Island
        items.at(8).children.at(0).action->run(); // Pause on Battery
        items.at(8).children.at(2).action->run(); // Pause When Mac Is Hot
        JsonFileStore reread(JsonFileStore::defaultPath());
        AppSettings stored(reread);
        QVERIFY(!stored.showIsland());
        QVERIFY(stored.pauseOnBattery());
        QVERIFY(!stored.pauseWhenHot());
    }

    void powerRulesPauseThePlayersAtLaunch()
    {
        touch("a.mp4");
        JsonFileStore store(JsonFileStore::defaultPath());
        test::VirtualScheduler scheduler;
        test::FakePowerSources power;
        power.battery->set(true);
        AppDelegate delegate(store, scheduler, power.take());
        FakeWallpaperEngine *&engine = useFakeEngine(delegate);
        delegate.settings().setCurrentVideo(video("a.mp4"));
        delegate.settings().setPauseOnBattery(true);
        delegate.applicationDidFinishLaunching();
        scheduler.runPending();
        QCOMPARE(engine->engine.pauseReason(), OptionalPauseReason(PauseReason::battery));
        QCOMPARE(engine->backend.player(video("a.mp4"))->rate, 0.0);
        const auto items = delegate.statusMenu().rebuild(delegate.statusMenuState());
        QCOMPARE(items.at(0).title, QStringLiteral("A \u2014 Paused on battery"));
        QCOMPARE(items.at(8).children.last().title, QStringLiteral("Now: on battery"));

        power.battery->set(false);
        scheduler.runPending();
        QCOMPARE(engine->engine.pauseReason(), OptionalPauseReason());
        QCOMPARE(engine->backend.player(video("a.mp4"))->rate, 1.0);
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
        JsonFileStore store(JsonFileStore::defaultPath());
        test::VirtualScheduler scheduler;
        AppDelegate delegate(store, scheduler);
        useFakeEngine(delegate);
        delegate.settings().setHasOnboarded(onboarded);
        delegate.applicationDidFinishLaunching();
        QCOMPARE(delegate.controlWindow().window() != nullptr, onboarded);
        // Reopening always shows it, and never a second one.
        QVERIFY(delegate.applicationShouldHandleReopen());
        QQuickWindow *window = delegate.controlWindow().window();
        QVERIFY(window && window->isVisible());
        delegate.applicationShouldHandleReopen();
        QCOMPARE(delegate.controlWindow().window(), window);
    }
};

QUINTARA_TEST_MAIN(AppDelegateTest)
#include "tst_appdelegate.moc"
