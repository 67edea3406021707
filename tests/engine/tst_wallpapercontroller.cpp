#include "FakeEngine.h"
#include "Rows.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "engine/VideoGeometry.h"
#include "engine/WallpaperController.h"
#include "platform/LogSink.h"

#include <QDir>

using namespace quintara;
using namespace std::chrono_literals;
using Reason = OptionalPauseReason;

namespace {

const DisplayInfo displayA{"uuid-a", "Left", QRect(0, 0, 1920, 1080), QString()};
const DisplayInfo displayB{"uuid-b", "Right", QRect(1920, 0, 1280, 720), QString()};

QUrl file(const QString &name)
{
    return QUrl::fromLocalFile(QDir::homePath() + QLatin1Char('/') + name);
}

// One engine on fakes and a virtual clock, with wallpaper files a.mp4, b.mp4 and c.mp4.
struct Engine {
    test::MemoryStore store;
    AppSettings settings{store};
    test::FakeBackend backend;
    test::FakeDisplays displays;
    test::FakeVisibility visibility;
    DisplayPower power;
    test::VirtualScheduler scheduler;
    MemoryLogSink log;
    ScopedLogSink logScope{&log};
    WallpaperController controller{settings, {backend, displays, visibility, power, scheduler}};
    QList<Reason> reports;

    Engine()
    {
        displays.list = {displayA, displayB};
        for (const char *name : {"a.mp4", "b.mp4", "c.mp4"})
            test::writeFile(file(name).toLocalFile());
        settings.setSpanScreens(false);
        controller.onPlaybackChange = [this](Reason r) { reports.append(r); };
    }
    test::FakeWindow *window(const DisplayInfo &d) const { return backend.window(d.name); }
    test::FakeLayer *top(const DisplayInfo &d) const { return window(d)->top(); }
    test::PlayerRecord &player(const QString &name) const { return *backend.player(file(name)); }
    double rate(const QString &name) const { return player(name).rate; }
    QStringList spanLines() const { return log.matching("Quintara: span="); }
    // Each display's layers, bottom to top: "Left: a.mp4 1, b.mp4 0 | Right: gradient 1".
    QString layers() const
    {
        QStringList displays;
        for (const DisplayInfo &d : {displayA, displayB}) {
            QStringList layers;
            for (const test::FakeLayer *layer : window(d)->layers)
                layers << QStringLiteral("%1 %2").arg(
                    layer->player ? layer->player->record().url.fileName() : "gradient",
                    QString::number(layer->currentOpacity));
            displays << d.name + ": " + layers.join(", ");
        }
        return displays.join(" | ");
    }
    // Rebuilds showing `current` and lets the first visibility check pass.
    void start(const QString &current = "a.mp4")
    {
        settings.setCurrentVideo(current.isEmpty() ? QUrl() : file(current));
        controller.rebuild();
        scheduler.advance(1s);
    }
    void choose(const QString &name)
    {
        settings.setVideo(file(name), std::nullopt);
        controller.apply(true);
    }
    void cover(const DisplayInfo &d, bool covered)
    {
        visibility.cover(d.frame, covered);
        scheduler.advance(WallpaperController::visibilityDebounce);
    }
};

// Paused by the user, displays asleep, the power pause, displays covered (of two); expected.
using PrecedenceRow = std::tuple<bool, bool, Reason, int, Reason>;
using GeometryRow = std::tuple<QSizeF, QRectF, FillMode, QRectF>; // content, in, mode: shown
// Displays; the part of the canvas each shows, in canvas coordinates; the canvas.
using SpanRow = std::tuple<QList<QRect>, QList<QRect>, QSize>;

} // namespace

class WallpaperControllerTest : public QObject {
    Q_OBJECT

private slots:
    void spanningIgnoresPerDisplayChoicesUntilSwitchedOff()
    {
        Engine e;
        e.settings.setVideo(file("b.mp4"), displayB.id);
        e.settings.setSpanScreens(true);
        e.start();
        QCOMPARE(e.backend.players.size(), 1);
        QCOMPARE(e.layers(), QStringLiteral("Left: a.mp4 1 | Right: a.mp4 1"));
        QVERIFY(e.window(displayA)->front && e.window(displayB)->front);
        // Both layers are the whole canvas, shifted to each display's place in it.
        QCOMPARE(e.top(displayA)->frame, QRectF(0, 0, 3200, 1080));
        QCOMPARE(e.top(displayB)->frame, QRectF(-1920, 0, 3200, 1080));

        // The display that keeps its video glides to its own frame; the other gets a new layer.
        e.settings.setSpanScreens(false);
        e.controller.apply(true);
        QCOMPARE(e.controller.channelUrls(), (QList<QUrl>{file("a.mp4"), file("b.mp4")}));
        QCOMPARE(e.layers(), QStringLiteral("Left: a.mp4 1 | Right: a.mp4 1, b.mp4 1"));
        QCOMPARE(e.top(displayA)->frame, QRectF(0, 0, 1920, 1080));
        QCOMPARE(e.top(displayA)->geometryDurations.last(), 700ms);
        QCOMPARE(e.top(displayB)->frame, QRectF(0, 0, 1280, 720));
        // A new fill mode glides every video layer too.
        e.settings.setFillMode(FillMode::fit);
        e.controller.apply(true);
        QCOMPARE(e.top(displayB)->mode, FillMode::fit);
        QCOMPARE(e.top(displayB)->geometryDurations.last(), 700ms);
        QCOMPARE(e.spanLines().last(),
                 QStringLiteral("Quintara: span=false, mode=fit, Left=a.mp4, Right=b.mp4"));

        e.settings.setSpanScreens(true);
        e.controller.apply(true);
        QCOMPARE(e.controller.surfaceChannel(1), std::optional(file("a.mp4")));
        QCOMPARE(e.top(displayB)->frame, QRectF(-1920, 0, 3200, 1080)); // made at the canvas
        QCOMPARE(e.settings.screenVideos().value(displayB.id), file("b.mp4"));
    }

    void absentOrMissingWallpaperShowsTheGradient_data()
    {
        const auto row = test::rows<std::tuple<QString, bool>>(); // current video, spanning
        row("no current video", {"", false});
        row("no current video, spanning", {"", true});
        row("file missing", {"gone.mp4", false});
        row("a folder, not a file", {"dir.mp4", true});
    }
    void absentOrMissingWallpaperShowsTheGradient()
    {
        const auto &[current, spanning] = test::row<std::tuple<QString, bool>>();
        QDir().mkpath(QDir::homePath() + "/dir.mp4");
        Engine e;
        e.settings.setSpanScreens(spanning);
        e.start(current);
        QVERIFY(e.backend.players.isEmpty());
        QCOMPARE(e.layers(), QStringLiteral("Left: gradient 1 | Right: gradient 1"));
        QVERIFY(e.top(displayA)->geometryDurations.isEmpty()); // gradients follow their window
        QCOMPARE(e.spanLines(), QStringList{QStringLiteral("Quintara: span=%1, mode=fill, "
                                                           "Left=%2, Right=%2")
                                                .arg(spanning ? "true" : "false",
                                                     current.isEmpty() ? "gradient" : current)});
        QCOMPARE(e.controller.pauseReason(), Reason());
    }

    void crossfadeWaitsForTheFirstFrame()
    {
        Engine e;
        e.start();
        e.backend.layersStartReady = false;
        e.choose("b.mp4");
        QCOMPARE(e.controller.channelUrls(), QList<QUrl>{file("b.mp4")});
        // The old video plays beneath until 1.2 s after the apply, then stops; its last frame
        // stays on screen beneath the new layer, which never fades in without a first frame.
        e.scheduler.advance(1199ms);
        QCOMPARE(e.rate("a.mp4"), 1.0);
        e.scheduler.advance(1ms);
        QCOMPARE(e.rate("a.mp4"), 0.0);
        e.scheduler.advance(10s);
        QCOMPARE(e.layers(), QStringLiteral("Left: a.mp4 1, b.mp4 0 | Right: a.mp4 1, b.mp4 0"));

        e.top(displayA)->becomeReady();
        e.scheduler.runPending();
        QCOMPARE(e.top(displayA)->fades, QList<WallpaperLayer::Duration>{900ms});
        e.scheduler.advance(899ms);
        QCOMPARE(e.layers(), QStringLiteral("Left: a.mp4 1, b.mp4 1 | Right: a.mp4 1, b.mp4 0"));
        e.scheduler.advance(1ms);
        QCOMPARE(e.layers(), QStringLiteral("Left: b.mp4 1 | Right: a.mp4 1, b.mp4 0"));
        // The old player goes once no display shows its last frame.
        QVERIFY(!e.player("a.mp4").released);
        e.top(displayB)->becomeReady();
        e.scheduler.advance(900ms);
        QVERIFY(e.player("a.mp4").released);
        QCOMPARE(e.rate("b.mp4"), 1.0);
    }

    // A rebuild attaches without animation and discards what was still fading or waiting.
    void rebuildReplacesWindowsWithoutAnimation()
    {
        Engine e;
        e.start();
        QCOMPARE(e.reports, QList<Reason>(1));
        e.backend.layersStartReady = false;
        e.choose("b.mp4");
        e.displays.list = {displayB, displayA};
        e.controller.rebuild();
        QCOMPARE(e.backend.windowsCreated, 4);
        e.scheduler.advance(5s); // late work for the discarded layers finds nothing
        QCOMPARE(e.layers(), QStringLiteral("Left: b.mp4 1 | Right: b.mp4 1"));
        QCOMPARE(e.rate("a.mp4"), 0.0);
        // Each rebuild reports, even without a change; with no display nothing is paused.
        QCOMPARE(e.reports, QList<Reason>(2));
        e.displays.list.clear();
        e.controller.rebuild();
        QCOMPARE(e.backend.windows.size(), 0);
        QCOMPARE(e.reports, QList<Reason>(3));
    }

    void coveringADisplayPausesOnlyItsChannel()
    {
        Engine e;
        e.settings.setVideo(file("b.mp4"), displayB.id);
        e.settings.setSpeed(1.5, file("b.mp4"));
        e.start();
        QCOMPARE(e.rate("b.mp4"), 1.5);
        QCOMPARE(e.player("b.mp4").defaultRate, 1.5);
        e.log.clear();
        // A burst of changes leads to one check, 0.3 s after the last.
        e.visibility.queries = 0;
        for (int i = 0; i < 5; ++i) {
            e.visibility.cover(displayB.frame, i % 2 == 0);
            e.scheduler.advance(100ms);
        }
        e.scheduler.advance(199ms);
        QCOMPARE(e.visibility.queries, 0);
        e.scheduler.advance(1ms);
        QCOMPARE(e.visibility.queries, 2);
        QCOMPARE(e.rate("b.mp4"), 0.0);
        QCOMPARE(e.rate("a.mp4"), 1.0);
        QCOMPARE(e.log.lines(), QStringList{"Quintara: Right hidden — pausing"});
        QCOMPARE(e.controller.pauseReason(), Reason());

        e.cover(displayA, true);
        QCOMPARE(e.rate("a.mp4"), 0.0);
        QCOMPARE(e.reports.last(), Reason(PauseReason::hidden));
        e.cover(displayB, false);
        QCOMPARE(e.rate("b.mp4"), 1.5);
        QCOMPARE(e.log.lines().last(), QStringLiteral("Quintara: Right visible — resuming"));
        QCOMPARE(e.reports.last(), Reason());
    }

    void pauseReasonPrecedence_data()
    {
        const auto row = test::rows<PrecedenceRow>();
        using R = PauseReason;
        row("playing", {false, false, {}, 0, {}});
        row("one of two covered", {false, false, {}, 1, {}});
        row("user over all", {true, true, R::hot, 2, R::user});
        row("user over covered", {true, false, {}, 2, R::user});
        row("asleep over power", {false, true, R::battery, 2, R::displaysAsleep});
        row("power over covered", {false, false, R::lowPower, 2, R::lowPower});
        row("covered", {false, false, {}, 2, R::hidden});
    }
    void pauseReasonPrecedence()
    {
        const auto &[user, asleep, power, covered, expected] = test::row<PrecedenceRow>();
        Engine e;
        e.start();
        e.cover(displayA, covered > 0);
        e.cover(displayB, covered > 1);
        e.controller.userPaused = user;
        e.controller.powerPause = power;
        e.controller.updateRates();
        // Sleeping displays pause at once, without anyone else updating the rates.
        asleep ? emit e.power.displaysDidSleep() : e.controller.reportPlayback();
        QCOMPARE(e.controller.pauseReason(), expected);
        QCOMPARE(e.reports.last(), expected);
        QCOMPARE(e.rate("a.mp4"), expected ? 0.0 : 1.0);
        QCOMPARE(e.player("a.mp4").defaultRate, 1.0);
        // Lifting every reason but the covering resumes nothing while covered.
        e.controller.userPaused = false;
        e.controller.powerPause.reset();
        emit e.power.displaysDidWake();
        QCOMPARE(e.controller.pauseReason(), covered == 2 ? Reason(PauseReason::hidden) : Reason());
        QCOMPARE(e.rate("a.mp4"), covered == 2 ? 0.0 : 1.0);
    }

    void repeatedApplyChangesNothing_data()
    {
        const auto row = test::rows<std::pair<bool, bool>>(); // spanning, animated
        row("own displays, animated", {false, true});
        row("spanning, animated", {true, true});
        row("own displays, at once", {false, false});
    }
    void repeatedApplyChangesNothing()
    {
        const auto &[spanning, animated] = test::row<std::pair<bool, bool>>();
        Engine e;
        e.settings.setVideo(file("b.mp4"), displayB.id);
        e.settings.setSpanScreens(spanning);
        e.start();
        const auto state = [&] {
            return std::tuple(e.backend.layersCreated, e.backend.layersRemoved, e.backend.players,
                              e.reports, e.scheduler.pendingCount(), e.layers());
        };
        const auto before = state();
        e.controller.apply(animated);
        QVERIFY(state() == before); // nothing made, retired or reported
        e.scheduler.advance(2s);
        QVERIFY(state() == before);
        for (const auto &player : e.backend.players)
            QVERIFY(!player->released && player->rate == 1.0);
    }

    void videoGeometry_data()
    {
        const auto row = test::rows<GeometryRow>();
        const QRectF hd(0, 0, 1920, 1080), square(100, 50, 1000, 1000);
        const QSizeF portrait(1080, 1920), wide(2000, 500);
        for (FillMode mode : allFillModes) {
            const QByteArray m = rawValue(mode).toLatin1();
            row("4k into hd, " + m, {QSizeF(3840, 2160), hd, mode, hd});
            row("unknown size, " + m, {QSizeF(0, 0), hd, mode, hd});
            row("negative width, " + m, {QSizeF(-4, 3), hd, mode, hd});
            row("not a number, " + m, {QSizeF(qQNaN(), 1080), hd, mode, hd});
        }
        row("portrait fill crops top and bottom",
            {portrait, hd, FillMode::fill, QRectF(0, -3500.0 / 3, 1920, 10240.0 / 3)});
        row("portrait fit leaves bars left and right",
            {portrait, hd, FillMode::fit, QRectF(656.25, 0, 607.5, 1080)});
        row("portrait stretch", {portrait, hd, FillMode::stretch, hd});
        row("wide fit", {wide, square, FillMode::fit, QRectF(100, 425, 1000, 250)});
        row("wide fill", {wide, square, FillMode::fill, QRectF(-1400, 50, 4000, 1000)});
    }
    void videoGeometry()
    {
        const auto &[content, in, mode, expected] = test::row<GeometryRow>();
        QCOMPARE(videoRect(content, in, mode), expected);
    }

    // Each display's window must show exactly the part of the canvas that the display covers.
    void spanningShowsEachDisplaysOwnPart_data()
    {
        const auto row = test::rows<SpanRow>();
        const QList<QRect> single{{0, 0, 1920, 1080}};
        const QList<QRect> sideBySide{{0, 0, 1440, 900}, {1440, 0, 1920, 1080}};
        const QList<QRect> staggered{
            {0, 100, 1000, 800}, {1000, 0, 1000, 600}, {2000, 300, 500, 500}};
        row("single display", {single, single, {1920, 1080}});
        row("side by side, left one shorter", {sideBySide, sideBySide, {3360, 1080}});
        row("second display left of the primary", {{{0, 0, 1920, 1080}, {-1280, 200, 1280, 720}},
                                                   {{1280, 0, 1920, 1080}, {0, 200, 1280, 720}},
                                                   {3200, 1080}});
        row("smaller display above, centred, negative y",
            {{{0, 0, 1920, 1080}, {320, -720, 1280, 720}},
             {{0, 720, 1920, 1080}, {320, 0, 1280, 720}},
             {1920, 1800}});
        row("three displays, staggered", {staggered, staggered, {2500, 900}});
    }
    void spanningShowsEachDisplaysOwnPart()
    {
        const auto &[displays, shown, canvas] = test::row<SpanRow>();
        QCOMPARE(spanningCanvas(displays).size(), canvas);
        for (qsizetype i = 0; i < displays.size(); ++i) {
            const QRectF layer = layerFrame(displays[i], displays, true);
            QCOMPARE(layer.size(), QSizeF(canvas));
            // The part of the canvas a window of the display's size shows.
            const QRectF window(QPointF(), displays[i].size());
            QCOMPARE(window.intersected(layer).translated(-layer.topLeft()), QRectF(shown[i]));
            // Without spanning the window shows its own layer edge to edge.
            QCOMPARE(layerFrame(displays[i], displays, false), window);
        }
    }
};

QUINTARA_TEST_MAIN(WallpaperControllerTest)
#include "tst_wallpapercontroller.moc"
