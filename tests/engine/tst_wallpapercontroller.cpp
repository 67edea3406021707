#include "FakeEngine.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "engine/WallpaperController.h"
#include "platform/LogSink.h"

#include <QDir>
#include <QFile>
#include <QJsonObject>

using namespace quintara;
using namespace std::chrono_literals;
using test::FakeLayer;

Q_DECLARE_METATYPE(OptionalPauseReason)

namespace {

class MemoryStore final : public KeyValueStore {
public:
    QJsonValue value(const QString &key) const override
    {
        return m_values.contains(key) ? m_values.value(key) : QJsonValue(QJsonValue::Undefined);
    }
    void setValues(const QList<Entry> &entries) override
    {
        for (const auto &[key, value] : entries)
            if (value.isUndefined())
                m_values.remove(key);
            else
                m_values.insert(key, value);
    }

private:
    QJsonObject m_values;
};

const DisplayInfo displayA{QStringLiteral("uuid-a"), QStringLiteral("Left"),
                           QRect(0, 0, 1920, 1080), QString()};
const DisplayInfo displayB{QStringLiteral("uuid-b"), QStringLiteral("Right"),
                           QRect(1920, 0, 1280, 720), QString()};

// One engine on fakes and a virtual clock, with wallpaper files a.mp4, b.mp4 and c.mp4.
struct Engine {
    MemoryStore store;
    AppSettings settings{store};
    test::FakeBackend backend;
    test::FakeDisplays displays;
    test::FakeVisibility visibility;
    DisplayPower power;
    test::VirtualScheduler scheduler;
    MemoryLogSink log;
    ScopedLogSink logScope{&log};
    WallpaperController controller{settings, {backend, displays, visibility, power, scheduler}};
    QList<OptionalPauseReason> reports;

    explicit Engine(QList<DisplayInfo> list = {displayA, displayB})
    {
        displays.list = std::move(list);
        for (const char *name : {"a.mp4", "b.mp4", "c.mp4"}) {
            QFile f(file(QLatin1String(name)).toLocalFile());
            f.open(QIODevice::WriteOnly);
        }
        settings.setSpanScreens(false);
        controller.onPlaybackChange = [this](OptionalPauseReason r) { reports.append(r); };
    }
    static QUrl file(const QString &name)
    {
        return QUrl::fromLocalFile(QDir::homePath() + QLatin1Char('/') + name);
    }
    test::FakeWindow *window(const DisplayInfo &d) const { return backend.window(d.name); }
    FakeLayer *top(const DisplayInfo &d) const { return window(d)->top(); }
    double rate(const QString &name) const { return backend.player(file(name))->rate; }
    // Rebuilds and lets the first visibility check pass.
    void start()
    {
        controller.rebuild();
        scheduler.advance(1s);
    }
};

} // namespace

class WallpaperControllerTest : public QObject {
    Q_OBJECT

private slots:
    void displaysWithoutSpanningShareOneChannel()
    {
        Engine e;
        e.settings.setCurrentVideo(Engine::file("a.mp4"));
        e.start();
        QCOMPARE(e.backend.players.size(), 1);
        QCOMPARE(e.controller.channelUrls(), QList<QUrl>{Engine::file("a.mp4")});
        for (const DisplayInfo &d : {displayA, displayB}) {
            QVERIFY(e.window(d)->front);
            QCOMPARE(e.window(d)->layers.size(), 1);
            QCOMPARE(&e.top(d)->player->record(), e.backend.players.first().get());
            QCOMPARE(e.top(d)->currentOpacity, 1.0);
            QCOMPARE(e.top(d)->frame, QRectF(QPointF(), d.frame.size()));
        }
        QCOMPARE(e.rate("a.mp4"), 1.0);
        QCOMPARE(e.log.matching("Quintara: span="),
                 QStringList{"Quintara: span=false, mode=fill, Left=a.mp4, Right=a.mp4"});
    }

    void spanningIgnoresPerDisplayChoicesUntilSwitchedOff()
    {
        Engine e;
        e.settings.setCurrentVideo(Engine::file("a.mp4"));
        e.settings.setVideo(Engine::file("b.mp4"), displayB.id);
        e.settings.setSpanScreens(true);
        e.start();
        QCOMPARE(e.controller.channelUrls(), QList<QUrl>{Engine::file("a.mp4")});
        QCOMPARE(e.controller.surfaceChannel(1), std::optional(Engine::file("a.mp4")));
        // Both layers are the whole canvas, shifted to each display's place in it.
        QCOMPARE(e.top(displayA)->frame, QRectF(0, 0, 3200, 1080));
        QCOMPARE(e.top(displayB)->frame, QRectF(-1920, 0, 3200, 1080));

        e.settings.setSpanScreens(false);
        e.controller.apply(true);
        QCOMPARE(e.controller.surfaceChannel(1), std::optional(Engine::file("b.mp4")));
        QCOMPARE(e.controller.surfaceChannel(0), std::optional(Engine::file("a.mp4")));
        QCOMPARE(e.controller.channelUrls().size(), 2);
        // The display that keeps its video glides to its own frame; the other gets a new layer.
        QCOMPARE(e.window(displayA)->layers.size(), 1);
        QCOMPARE(e.top(displayA)->frame, QRectF(0, 0, 1920, 1080));
        QCOMPARE(e.top(displayA)->geometryDurations.last(), 700ms);
        QCOMPARE(e.top(displayB)->frame, QRectF(0, 0, 1280, 720));

        e.settings.setSpanScreens(true);
        e.controller.apply(true);
        QCOMPARE(e.controller.surfaceChannel(1), std::optional(Engine::file("a.mp4")));
        // Created directly with the canvas frame.
        QCOMPARE(e.top(displayB)->frame, QRectF(-1920, 0, 3200, 1080));
        QCOMPARE(e.settings.screenVideos().value(displayB.id), Engine::file("b.mp4"));
    }

    void absentOrMissingWallpaperShowsTheGradient_data()
    {
        QTest::addColumn<QUrl>("current");
        QTest::addColumn<bool>("spanning");
        QTest::addColumn<QString>("logged");
        QTest::newRow("no current video")
            << QUrl() << false << "Quintara: span=false, mode=fill, Left=gradient, Right=gradient";
        QTest::newRow("no current video, spanning")
            << QUrl() << true << "Quintara: span=true, mode=fill, Left=gradient, Right=gradient";
        QTest::newRow("file missing")
            << Engine::file("gone.mp4") << false
            << "Quintara: span=false, mode=fill, Left=gone.mp4, Right=gone.mp4";
        QTest::newRow("a folder, not a file")
            << QUrl::fromLocalFile(QDir::homePath() + "/dir.mp4") << true
            << "Quintara: span=true, mode=fill, Left=dir.mp4, Right=dir.mp4";
    }
    void absentOrMissingWallpaperShowsTheGradient()
    {
        QFETCH(QUrl, current);
        QFETCH(bool, spanning);
        QFETCH(QString, logged);
        QDir().mkpath(QDir::homePath() + "/dir.mp4");
        Engine e;
        e.settings.setCurrentVideo(current);
        e.settings.setSpanScreens(spanning);
        e.start();
        QVERIFY(e.backend.players.isEmpty());
        for (const DisplayInfo &d : {displayA, displayB}) {
            QCOMPARE(e.window(d)->layers.size(), 1);
            QVERIFY(!e.top(d)->isVideo());
            QCOMPARE(e.top(d)->geometryDurations.size(), 0); // gradients follow their window
        }
        QCOMPARE(e.log.matching("Quintara: span="), QStringList{logged});
        QCOMPARE(e.controller.pauseReason(), OptionalPauseReason());
    }

    void crossfadeWaitsForTheFirstFrame()
    {
        Engine e;
        e.settings.setCurrentVideo(Engine::file("a.mp4"));
        e.start();
        FakeLayer *old = e.top(displayA);
        e.backend.layersStartReady = false;

        e.settings.setVideo(Engine::file("b.mp4"), std::nullopt);
        e.controller.apply(true);
        FakeLayer *fresh = e.top(displayA);
        QVERIFY(fresh != old);
        QCOMPARE(fresh->currentOpacity, 0.0);
        QCOMPARE(e.controller.channelUrls(), QList<QUrl>{Engine::file("b.mp4")});
        // The old video keeps playing beneath until 1.2 s after the apply, then stops.
        e.scheduler.advance(1199ms);
        QCOMPARE(e.rate("a.mp4"), 1.0);
        e.scheduler.advance(1ms);
        QCOMPARE(e.rate("a.mp4"), 0.0);
        // Its last frame stays on screen beneath the new layer, so the player is kept.
        QVERIFY(!e.backend.player(Engine::file("a.mp4"))->released);
        // Without a first frame nothing fades: the old picture stays.
        e.scheduler.advance(10s);
        QCOMPARE(fresh->currentOpacity, 0.0);
        QCOMPARE(e.window(displayA)->layers, (QList<FakeLayer *>{old, fresh}));

        fresh->becomeReady();
        e.scheduler.runPending();
        QCOMPARE(fresh->fades, QList<WallpaperLayer::Duration>{900ms});
        QCOMPARE(fresh->currentOpacity, 1.0);
        e.scheduler.advance(899ms);
        QCOMPARE(e.window(displayA)->layers.size(), 2);
        e.scheduler.advance(1ms);
        QCOMPARE(e.window(displayA)->layers, QList<FakeLayer *>{fresh});
        // The other display is unaffected by this display's readiness and still shows a.mp4.
        QCOMPARE(e.window(displayB)->layers.size(), 2);
        QVERIFY(!e.backend.player(Engine::file("a.mp4"))->released);
        e.window(displayB)->top()->becomeReady();
        e.scheduler.advance(900ms);
        QVERIFY(e.backend.player(Engine::file("a.mp4"))->released);
    }

    void readyLayerCrossfadesAtOnce()
    {
        Engine e;
        e.settings.setCurrentVideo(Engine::file("a.mp4"));
        e.start();
        e.settings.setVideo(Engine::file("c.mp4"), std::nullopt);
        e.controller.apply(true);
        QCOMPARE(e.top(displayB)->fades, QList<WallpaperLayer::Duration>{900ms});
        e.scheduler.advance(900ms);
        QCOMPARE(e.window(displayB)->layers.size(), 1);
        QCOMPARE(e.rate("c.mp4"), 1.0);
    }

    // A rebuild attaches without animation and discards what was still fading or waiting.
    void rebuildReplacesWindowsWithoutAnimation()
    {
        Engine e;
        e.settings.setCurrentVideo(Engine::file("a.mp4"));
        e.start();
        e.backend.layersStartReady = false;
        e.settings.setVideo(Engine::file("b.mp4"), std::nullopt);
        e.controller.apply(true);
        FakeLayer *waiting = e.top(displayA);

        e.displays.list = {displayB};
        e.controller.rebuild();
        QCOMPARE(e.backend.windows.size(), 1);
        QCOMPARE(e.backend.windowsCreated, 3);
        QCOMPARE(e.window(displayB)->layers.size(), 1);
        QCOMPARE(e.top(displayB)->currentOpacity, 1.0);
        QVERIFY(e.top(displayB) != waiting);
        e.scheduler.advance(5s); // late work for the discarded layers finds nothing
        QCOMPARE(e.window(displayB)->layers.size(), 1);
        QCOMPARE(e.backend.player(Engine::file("a.mp4"))->rate, 0.0);
    }

    void coveringADisplayPausesOnlyItsChannel()
    {
        Engine e;
        e.settings.setCurrentVideo(Engine::file("a.mp4"));
        e.settings.setVideo(Engine::file("b.mp4"), displayB.id);
        e.settings.setSpeed(1.5, Engine::file("b.mp4"));
        e.start();
        QCOMPARE(e.rate("b.mp4"), 1.5);
        QCOMPARE(e.backend.player(Engine::file("b.mp4"))->defaultRate, 1.5);
        e.log.clear();

        // A burst of changes leads to one check, 0.3 s after the last.
        e.visibility.queries = 0;
        for (int i = 0; i < 5; ++i) {
            e.visibility.cover(displayB.frame, i % 2 == 0);
            e.scheduler.advance(100ms);
        }
        QCOMPARE(e.visibility.queries, 0);
        e.scheduler.advance(199ms);
        QCOMPARE(e.rate("b.mp4"), 1.5);
        e.scheduler.advance(1ms);
        QCOMPARE(e.visibility.queries, 2);
        QCOMPARE(e.rate("b.mp4"), 0.0);
        QCOMPARE(e.rate("a.mp4"), 1.0);
        QCOMPARE(e.log.lines(), QStringList{"Quintara: Right hidden — pausing"});
        QCOMPARE(e.controller.pauseReason(), OptionalPauseReason());

        e.visibility.cover(displayA.frame, true);
        e.scheduler.advance(300ms);
        QCOMPARE(e.rate("a.mp4"), 0.0);
        QCOMPARE(e.controller.pauseReason(), OptionalPauseReason(PauseReason::hidden));
        QCOMPARE(e.reports.last(), OptionalPauseReason(PauseReason::hidden));

        e.visibility.cover(displayB.frame, false);
        e.scheduler.advance(300ms);
        QCOMPARE(e.rate("b.mp4"), 1.5);
        QCOMPARE(e.log.lines().last(), QStringLiteral("Quintara: Right visible — resuming"));
        QCOMPARE(e.reports.last(), OptionalPauseReason());
    }

    void sharedChannelPlaysWhileOneDisplayIsVisible()
    {
        Engine e;
        e.settings.setCurrentVideo(Engine::file("a.mp4"));
        e.start();
        e.visibility.cover(displayA.frame, true);
        e.scheduler.advance(300ms);
        QCOMPARE(e.rate("a.mp4"), 1.0);
    }

    void pauseReasonPrecedence_data()
    {
        QTest::addColumn<bool>("user");
        QTest::addColumn<bool>("asleep");
        QTest::addColumn<OptionalPauseReason>("power");
        QTest::addColumn<bool>("covered");
        QTest::addColumn<OptionalPauseReason>("expected");
        const OptionalPauseReason none;
        using R = PauseReason;
        QTest::newRow("playing") << false << false << none << false << none;
        QTest::newRow("user over everything")
            << true << true << OptionalPauseReason(R::hot) << true << OptionalPauseReason(R::user);
        QTest::newRow("user over covered")
            << true << false << none << true << OptionalPauseReason(R::user);
        QTest::newRow("asleep over power") << false << true << OptionalPauseReason(R::battery)
                                           << true << OptionalPauseReason(R::displaysAsleep);
        QTest::newRow("power over covered") << false << false << OptionalPauseReason(R::lowPower)
                                            << true << OptionalPauseReason(R::lowPower);
        QTest::newRow("covered") << false << false << none << true
                                 << OptionalPauseReason(R::hidden);
    }
    void pauseReasonPrecedence()
    {
        QFETCH(bool, user);
        QFETCH(bool, asleep);
        QFETCH(OptionalPauseReason, power);
        QFETCH(bool, covered);
        QFETCH(OptionalPauseReason, expected);
        Engine e;
        e.settings.setCurrentVideo(Engine::file("a.mp4"));
        e.start();
        if (covered) {
            e.visibility.cover(displayA.frame, true);
            e.visibility.cover(displayB.frame, true);
        }
        if (asleep)
            emit e.power.displaysDidSleep();
        e.scheduler.advance(300ms);
        e.controller.userPaused = user;
        e.controller.powerPause = power;
        e.controller.updateRates();
        e.controller.reportPlayback();
        QCOMPARE(e.controller.pauseReason(), expected);
        QCOMPARE(e.reports.last(), expected);
        QCOMPARE(e.rate("a.mp4"), expected ? 0.0 : 1.0);
        QCOMPARE(e.backend.player(Engine::file("a.mp4"))->defaultRate, 1.0);

        // Lifting every reason but the covering resumes nothing while covered.
        e.controller.userPaused = false;
        e.controller.powerPause.reset();
        emit e.power.displaysDidWake();
        e.scheduler.advance(300ms);
        QCOMPARE(e.controller.pauseReason(),
                 covered ? OptionalPauseReason(PauseReason::hidden) : OptionalPauseReason());
        QCOMPARE(e.rate("a.mp4"), covered ? 0.0 : 1.0);
    }

    void sleepingDisplaysPauseAtOnce()
    {
        Engine e;
        e.settings.setCurrentVideo(Engine::file("a.mp4"));
        e.start();
        emit e.power.displaysDidSleep();
        QCOMPARE(e.rate("a.mp4"), 0.0);
        QCOMPARE(e.reports.last(), OptionalPauseReason(PauseReason::displaysAsleep));
        emit e.power.displaysDidWake();
        QCOMPARE(e.rate("a.mp4"), 1.0);
        QCOMPARE(e.reports.last(), OptionalPauseReason());
    }

    // Displays already asleep when the engine starts (a locked screen, DPMS off): paused at once.
    void displaysAsleepAtStart()
    {
        Engine e;
        test::FakeDisplayPower asleep;
        asleep.setAsleep(true);
        WallpaperController controller{e.settings,
                                       {e.backend, e.displays, e.visibility, asleep, e.scheduler}};
        e.settings.setCurrentVideo(Engine::file("a.mp4"));
        controller.rebuild();
        QCOMPARE(controller.pauseReason(), OptionalPauseReason(PauseReason::displaysAsleep));
        QCOMPARE(e.rate("a.mp4"), 0.0);
    }

    void rebuildReportsOnceEvenWithoutChange()
    {
        Engine e;
        e.settings.setCurrentVideo(Engine::file("a.mp4"));
        e.start();
        QCOMPARE(e.reports, QList<OptionalPauseReason>{OptionalPauseReason()});
        e.controller.reportPlayback();
        e.controller.apply(false);
        QCOMPARE(e.reports.size(), 1);
        e.controller.rebuild();
        QCOMPARE(e.reports.size(), 2);
        QCOMPARE(e.reports.last(), OptionalPauseReason());

        // With no display at all nothing is shown and nothing is paused.
        e.displays.list.clear();
        e.controller.rebuild();
        QCOMPARE(e.backend.windows.size(), 0);
        QCOMPARE(e.reports.size(), 3);
        QCOMPARE(e.controller.pauseReason(), OptionalPauseReason());
    }

    void repeatedApplyChangesNothing_data()
    {
        QTest::addColumn<bool>("spanning");
        QTest::addColumn<bool>("animated");
        QTest::newRow("own displays, animated") << false << true;
        QTest::newRow("spanning, animated") << true << true;
        QTest::newRow("own displays, at once") << false << false;
    }
    void repeatedApplyChangesNothing()
    {
        QFETCH(bool, spanning);
        QFETCH(bool, animated);
        Engine e;
        e.settings.setCurrentVideo(Engine::file("a.mp4"));
        e.settings.setVideo(Engine::file("b.mp4"), displayB.id);
        e.settings.setSpanScreens(spanning);
        e.start();
        const int layers = e.backend.layersCreated;
        const int removed = e.backend.layersRemoved;
        const auto players = e.backend.players;
        const auto reports = e.reports;
        const std::size_t pending = e.scheduler.pendingCount();
        e.log.clear();

        e.controller.apply(animated);
        e.scheduler.advance(2s);
        QCOMPARE(e.backend.layersCreated, layers);
        QCOMPARE(e.backend.layersRemoved, removed);
        QCOMPARE(e.backend.players, players);
        QCOMPARE(e.scheduler.pendingCount(), pending); // no retirement scheduled
        for (const auto &player : players) {
            QVERIFY(!player->released);
            QCOMPARE(player->rate, 1.0);
        }
        QCOMPARE(e.reports, reports);
        QCOMPARE(e.log.matching("Quintara: span=").size(), 1);
    }

    void fillModeChangeGlidesEveryVideoLayer()
    {
        Engine e;
        e.settings.setCurrentVideo(Engine::file("a.mp4"));
        e.start();
        e.settings.setFillMode(FillMode::fit);
        e.controller.apply(true);
        QCOMPARE(e.top(displayA)->mode, FillMode::fit);
        QCOMPARE(e.top(displayB)->geometryDurations.last(), 700ms);
        QCOMPARE(e.log.matching("Quintara: span=").last(),
                 QStringLiteral("Quintara: span=false, mode=fit, Left=a.mp4, Right=a.mp4"));
    }
};

QUINTARA_TEST_MAIN(WallpaperControllerTest)
#include "tst_wallpapercontroller.moc"
