#include "Rows.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "island/IslandModel.h"
#include "platform/MediaPlayers.h"
#include "settings/AppSettings.h"

using namespace quintara;
using namespace std::chrono_literals;

// geometry, playing, activities, mode, size
using SizeRow = std::tuple<IslandGeometry, bool, int, QString, QSizeF>;
// steps, focus, title, needs attention
using FocusRow = std::tuple<QStringList, QString, QString, bool>;
// locale, speed, pause reason, status, speed title
using TextsRow = std::tuple<QString, double, OptionalPauseReason, QString, QString>;

// An island model on a virtual clock and memory settings, with activities and music to report.
struct Island {
    test::VirtualScheduler clock;
    test::MemoryStore store;
    AppSettings settings{store};
    ActivityCenter center{clock};
    IslandModel model;

    explicit Island(IslandGeometry geometry = {})
        : model(settings, center, clock, geometry, [] { return QDateTime::currentDateTime(); })
    {}
    // `id`, or `id`:`state` for a state other than running.
    void activity(const QString &step)
    {
        const QString id = step.section(':', 0, 0), state = step.section(':', 1, 1);
        center.report({{"source", "Claude Code"},
                       {"id", id},
                       {"state", state.isEmpty() ? "running" : state},
                       {"title", "Task " + id}});
    }
    void music(bool playing)
    {
        center.musicChanged("player", MusicApp::music,
                            {{playerInfo::state, playing ? "Playing" : "Paused"},
                             {playerInfo::name, "Song"},
                             {playerInfo::artist, "Ada"}});
    }
};

IslandEvent news(const QString &title, double seconds)
{
    return {"play.fill", title, std::nullopt, {}, seconds};
}

class IslandModelTest : public QObject {
    Q_OBJECT

private slots:
    void newerEventReplacesOlderAndKeepsItsOwnTime()
    {
        Island island;
        island.model.announce(news("first", 6));
        island.clock.advance(1s);
        island.model.announce(news("second", 3));
        QCOMPARE(island.model.eventTitle(), "second");
        QCOMPARE(island.model.mode(), IslandModel::Mode::event);
        island.clock.advance(2999ms);
        QCOMPARE(island.model.mode(), IslandModel::Mode::event);
        island.clock.advance(1ms);
        QCOMPARE(island.model.mode(), IslandModel::Mode::resting);
        QVERIFY(!island.model.event());
        island.clock.advance(3s); // past the first one's end: nothing more happens
        QCOMPARE(island.model.mode(), IslandModel::Mode::resting);
    }

    void hoverOutlastsOrKeepsTheEvent_data()
    {
        const auto row = test::rows<std::pair<int, QString>>(); // leave after ms, mode then
        row("within the event", {1000, "event"});
        row("after the event", {4000, "resting"});
    }
    void hoverOutlastsOrKeepsTheEvent()
    {
        const auto &[leaveAfterMs, modeAfterLeaving] = test::row<std::pair<int, QString>>();
        Island island;
        island.model.setHovering(true);
        island.model.announce(news("news", 3)); // expanded stays expanded
        QCOMPARE(island.model.modeName(), "expanded");
        island.clock.advance(std::chrono::milliseconds(leaveAfterMs));
        QCOMPARE(island.model.modeName(), "expanded");
        island.model.setHovering(false);
        QCOMPARE(island.model.modeName(), modeAfterLeaving);
    }

    void sizes_data()
    {
        const auto row = test::rows<SizeRow>();
        const IslandGeometry flat{false, 0, 0, 24};
        const IslandGeometry panel{false, 0, 0, 40};
        const IslandGeometry notch{true, 200, 32, 37};
        const IslandGeometry wideNotch{true, 320, 32, 37};
        row("nothing to show: invisible", {flat, false, 0, "resting", QSizeF(0, 0)});
        row("music, low panel", {flat, true, 0, "resting", QSizeF(300, 30)});
        row("music, tall panel", {panel, true, 0, "resting", QSizeF(300, 40)});
        row("notch", {notch, false, 0, "resting", QSizeF(284, 32)});
        row("event", {flat, false, 0, "event", QSizeF(380, 60)});
        row("event, notch 200", {notch, false, 0, "event", QSizeF(380, 92)});
        row("event, notch 320", {wideNotch, false, 0, "event", QSizeF(404, 92)});
        row("expanded, alone", {flat, false, 0, "expanded", QSizeF(460, 156)});
        row("expanded, five count as two", {notch, true, 5, "expanded", QSizeF(460, 338)});
    }
    void sizes()
    {
        const auto &[geometry, playing, activities, mode, size] = test::row<SizeRow>();
        Island island(geometry);
        const QSizeF initial = island.model.size();
        QSignalSpy sizeChanges(&island.model, &IslandModel::sizeChanged);
        if (playing)
            island.music(true);
        for (int i = 0; i < activities; ++i)
            island.activity(QString::number(i));
        island.clock.advance(10s); // every event is over
        if (mode == "event")
            island.model.announce(news("news", 3));
        island.model.setHovering(mode == "expanded");
        QCOMPARE(island.model.modeName(), mode);
        QCOMPARE(island.model.size(), size);
        QCOMPARE(sizeChanges.isEmpty(), size == initial);
        QCOMPARE(island.model.visibleActivities().size(), std::min(activities, 2));
        if (activities > 0)
            QCOMPARE(island.model.visibleActivities().first().id, QString::number(activities - 1));
    }

    void focus_data()
    {
        const auto row = test::rows<FocusRow>();
        row("wallpaper", {QStringList{"wallpaper"}, "wallpaper", "Ocean waves 4k", false});
        row("no wallpaper", {QStringList{}, "wallpaper", "", false});
        row("paused music", {QStringList{"paused"}, "wallpaper", "", false});
        row("music", {QStringList{"playing"}, "music", "Song \u00b7 Ada", false});
        row("activity over music", {QStringList{"playing", "a"}, "activity", "Task a", false});
        row("attention first", {QStringList{"b:attention", "a"}, "activity", "Task b", true});
    }
    void focus()
    {
        const auto &[steps, focus, title, attention] = test::row<FocusRow>();
        Island island;
        QSignalSpy focusChanges(&island.model, &IslandModel::focusChanged);
        for (const QString &step : steps) {
            if (step == "wallpaper")
                island.settings.setCurrentVideo(QUrl::fromLocalFile("/v/ocean_waves-4k.mp4"));
            else if (step == "playing" || step == "paused")
                island.music(step == "playing");
            else
                island.activity(step);
        }
        QCOMPARE(island.model.focusName(), focus);
        QCOMPARE(island.model.focusTitle(), title);
        QCOMPARE(island.model.focusNeedsAttention(), attention);
        QCOMPARE(focusChanges.isEmpty(), focus == "wallpaper");
    }

    void wallpaperTexts_data()
    {
        const auto row = test::rows<TextsRow>();
        row("slow", {"en_US", 0.75, {}, "Playing at 0.75\u00d7", "0.75\u00d7"});
        row("decimal comma", {"de_DE", 1.25, {}, "Playing at 1,25\u00d7", "1,25\u00d7"});
        row("hot, in this desktop's words",
            {"en_US", 1.0, PauseReason::hot, "Paused while your computer cools down", "1\u00d7"});
    }
    void wallpaperTexts()
    {
        const auto &[locale, speed, reason, status, speedTitle] = test::row<TextsRow>();
        QLocale::setDefault(QLocale(locale));
        Island island;
        island.settings.setCurrentVideo(QUrl::fromLocalFile("/v/a.mp4"));
        island.model.setSpeed(speed);
        QCOMPARE(island.settings.speed(island.settings.currentVideo()), speed);
        if (reason)
            island.model.setPauseReason(*reason);
        QCOMPARE(island.model.statusText(), status);
        QCOMPARE(island.model.speedTitle(), speedTitle);
        QLocale::setDefault(QLocale::c());
    }

    void speedWithoutWallpaperChangesNothing()
    {
        Island island;
        island.model.setSpeed(0.5);
        QVERIFY(island.settings.speeds().isEmpty());
    }

    void eventPictures_data()
    {
        const auto row = test::rows<std::tuple<QString, bool, QString>>(); // icon, image, picture
        row("track with artwork", {"music.note", true, "artwork"});
        row("running", {"sparkles", false, "symbol"});
        row("now playing", {"play.rectangle.fill", false, "poster"});
        row("track without artwork", {"music.note", false, "poster"});
    }
    void eventPictures()
    {
        const auto &[icon, image, picture] = test::row<std::tuple<QString, bool, QString>>();
        Island island;
        QImage artwork(4, 4, QImage::Format_RGB32);
        island.model.announce({icon, "t", std::nullopt, image ? artwork : QImage(), 3});
        QCOMPARE(island.model.eventPicture(), picture);
    }

    // The expanded island's "time since" texts count on only while they show.
    void elapsedTimesTickOnlyWhileExpanded()
    {
        Island island;
        island.activity("a");
        island.clock.advance(10s);
        QCOMPARE(island.clock.pendingCount(), 0u);
        island.model.setHovering(true);
        QCOMPARE(island.clock.pendingCount(), 1u);
        QSignalSpy ticks(island.model.visibleActivityList(), &QAbstractItemModel::dataChanged);
        island.clock.advance(3s);
        QCOMPARE(ticks.size(), 3);
        island.model.setHovering(false);
        QCOMPARE(island.clock.pendingCount(), 0u);
        QCOMPARE(IslandActivities::elapsedText(5), "5 sec");
        QCOMPARE(IslandActivities::elapsedText(125), "2 min, 5 sec");
        QCOMPARE(IslandActivities::elapsedText(3600), "1 hr");
        QCOMPARE(IslandActivities::elapsedText(2 * 86400 + 4 * 3600), "2 days, 4 hr");
    }
};

QUINTARA_TEST_MAIN(IslandModelTest)
#include "tst_islandmodel.moc"
