#include "FakeDesktop.h"
#include "FakePowerSources.h"
#include "GalleryFixture.h"
#include "Rows.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "TestMedia.h"
#include "VirtualScheduler.h"
#include "app/AppDelegate.h"

#include <QQuickWindow>

using namespace quintara;
using namespace std::chrono_literals;

// What the delegate connects the island to: the engine's playback, the settings and the
// accessibility request.
namespace {

using SpeedRow = std::tuple<QString, double, QString>; // locale, speed, event
// sources, codex watched, chat apps watched, accessibility requests
using SourcesRow = std::tuple<QStringList, bool, QStringList, int>;

struct Launched {
    test::MemoryStore store;
    test::VirtualScheduler scheduler;
    test::FakePowerSources power;
    AppDelegate delegate{store, scheduler, power.take()};
    test::FakeWallpaperEngine *&engine = test::useFakeEngine(delegate);
    test::FakeAccessibility *accessibility = nullptr;
    QStringList events; // "icon|title|subtitle" of each event shown

    explicit Launched(std::function<void(AppSettings &)> before = {})
    {
        auto bus = std::make_unique<test::FakeAccessibility>();
        accessibility = bus.get();
        bus->grants = false; // so every request would reach it
        delegate.setAccessibility(std::move(bus), {});
        if (before)
            before(delegate.settings());
        delegate.applicationDidFinishLaunching();
        QObject::connect(&model(), &IslandModel::eventChanged, [this] {
            if (model().hasEvent())
                events << model().eventIcon() + "|" + model().eventTitle() + "|" +
                              model().eventSubtitle();
        });
    }
    IslandModel &model() { return delegate.island()->model(); }
};

QUrl video(const QString &name)
{
    return QUrl::fromLocalFile(QDir::homePath() + "/lib/" + name);
}

} // namespace

class IslandWiringTest : public QObject {
    Q_OBJECT

    test::LoopbackHttpServer m_gallery;

private slots:
    void initTestCase()
    {
        test::serveGallery(m_gallery, {{"a", "Aurora"}, {"b", "Bay"}});
        qputenv("QUINTARA_GALLERY_URL", m_gallery.url().toString().toUtf8());
    }

    // Their texts are the gallery's; here they reach the island whole, duration included.
    void galleryNoticesAreIslandEvents()
    {
        Launched app;
        app.delegate.openUrls({QUrl("quintara://add?ids=zzz")});
        QTRY_COMPARE_WITH_TIMEOUT(app.events,
                                  QStringList{"exclamationmark.triangle.fill|Couldn't find those "
                                              "wallpapers|Online Gallery"},
                                  20000);
        QCOMPARE(app.model().event()->duration, 3.0);
    }

    void launchAnnouncesTheWallpaperWithItsPoster()
    {
        QVERIFY(test::copyTestVideo(video("ocean_waves-4k.mp4").toLocalFile()));
        Launched app([](AppSettings &s) { s.setCurrentVideo(video("ocean_waves-4k.mp4")); });
        QTRY_VERIFY_WITH_TIMEOUT(app.model().hasEvent(), 20000);
        QCOMPARE(app.model().eventTitle(), "Ocean waves 4k");
        QCOMPARE(app.model().eventSubtitle(), "Now playing");
        QVERIFY(!app.model().poster().isNull());
        QVERIFY(app.delegate.island()->isShown());

        // A file without a poster is still announced; the same wallpaper again is not.
        app.events.clear();
        app.delegate.settings().setCurrentVideo(video("gone.mp4"));
        QTRY_COMPARE_WITH_TIMEOUT(app.events, QStringList{"play.rectangle.fill|Gone|Now playing"},
                                  20000);
        QVERIFY(app.model().poster().isNull());
        app.delegate.settings().setCurrentVideo(video("gone.mp4"));
        QCOMPARE(app.events.size(), 1);
    }

    void onlyTheUsersOwnPauseIsNews()
    {
        Launched app;
        WallpaperController &engine = app.engine->engine;
        app.model().togglePause();
        QVERIFY(engine.userPaused);
        QCOMPARE(app.events, QStringList{"pause.fill|Wallpaper paused|"});
        QVERIFY(app.model().isPaused());
        app.scheduler.advance(3s);
        QVERIFY(!app.model().hasEvent());
        app.model().togglePause();
        engine.powerPause = PauseReason::battery;
        engine.updateRates();
        engine.reportPlayback();
        QCOMPARE(app.model().statusText(), "Paused on battery");
        engine.powerPause.reset();
        engine.reportPlayback();
        QCOMPARE(app.events,
                 (QStringList{"pause.fill|Wallpaper paused|", "play.fill|Wallpaper playing|"}));
    }

    void speedChangesAreAnnouncedAndPlayed_data()
    {
        const auto row = test::rows<SpeedRow>();
        row("slower", {"en_US", 0.5, "tortoise.fill|Speed 0.5\u00d7|A"});
        row("faster", {"en_US", 1.5, "hare.fill|Speed 1.5\u00d7|A"});
        row("normal", {"en_US", 1.0, "speedometer|Speed 1\u00d7|A"});
        row("decimal comma", {"de_DE", 1.25, "hare.fill|Speed 1,25\u00d7|A"});
    }
    void speedChangesAreAnnouncedAndPlayed()
    {
        const auto &[locale, speed, event] = test::row<SpeedRow>();
        QLocale::setDefault(QLocale(locale));
        QVERIFY(test::copyTestVideo(video("a.mp4").toLocalFile()));
        Launched app([speed](AppSettings &s) {
            s.setCurrentVideo(video("a.mp4"));
            s.setSpeed(speed == 1.0 ? 0.75 : 1.0, video("a.mp4"));
        });
        app.scheduler.runPending();
        app.events.clear();
        app.model().setSpeed(speed);
        QCOMPARE(app.events, QStringList{event});
        app.scheduler.runPending();
        QCOMPARE(app.engine->backend.player(video("a.mp4"))->rate, speed);
        app.scheduler.advance(1500ms);
        QVERIFY(!app.model().hasEvent());
        QLocale::setDefault(QLocale::c());
    }

    void sourcesStartTheirWatchers_data()
    {
        const auto row = test::rows<SourcesRow>();
        row("none", {{}, false, {}, 0});
        row("ChatGPT & Codex", {{"chatGPT"}, true, {"ChatGPT"}, 0});
        row("Claude app chats", {{"claudeApp"}, false, {"Claude"}, 1});
    }
    void sourcesStartTheirWatchers()
    {
        const auto &[sources, codex, chatApps, accessibilityRequests] = test::row<SourcesRow>();
        Launched app;
        IslandSourceSet set;
        for (const QString &raw : sources)
            set.insert(*islandSourceFromRaw(raw));
        for (int i = 0; i < 2; ++i) // asked once, ever
            app.delegate.settings().setIslandSources(set);
        DynamicIslandController &island = *app.delegate.island();
        QCOMPARE(island.codexWatcher().isRunning(), codex);
        QStringList apps;
        for (const auto &chat : island.chatAppWatcher().apps())
            apps << chat.source;
        QCOMPARE(apps, chatApps);
        QCOMPARE(island.chatAppWatcher().isRunning(), !chatApps.isEmpty());
        QCOMPARE(app.accessibility->enableCalls, accessibilityRequests);
    }

    void showSwitchShowsAndHidesTheWindow()
    {
        Launched app([](AppSettings &s) { s.setShowIsland(false); });
        DynamicIslandController &island = *app.delegate.island();
        QVERIFY(!island.isShown() && !island.window().isVisible());
        app.delegate.settings().setShowIsland(true);
        QVERIFY(island.isShown() && island.window().isVisible());
        island.model().openControls();
        QVERIFY(app.delegate.controlWindow().window());
    }
};

QUINTARA_TEST_MAIN(IslandWiringTest)
#include "tst_islandwiring.moc"
