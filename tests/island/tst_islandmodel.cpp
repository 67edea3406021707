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

class IslandModelTest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::VirtualScheduler> m_clock;
    std::unique_ptr<test::MemoryStore> m_store;
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<ActivityCenter> m_center;
    std::unique_ptr<IslandModel> m_model;

    void make(IslandGeometry geometry = {})
    {
        m_model.reset();
        m_center.reset();
        m_clock = std::make_unique<test::VirtualScheduler>();
        m_store = std::make_unique<test::MemoryStore>();
        m_settings = std::make_unique<AppSettings>(*m_store);
        m_center = std::make_unique<ActivityCenter>(*m_clock);
        m_model = std::make_unique<IslandModel>(*m_settings, *m_center, *m_clock, geometry,
                                                [] { return QDateTime::currentDateTime(); });
    }
    void activity(const QString &id, const QString &state = "running")
    {
        m_center->report(
            {{"source", "Claude Code"}, {"id", id}, {"state", state}, {"title", "Task " + id}});
    }
    void music(bool playing)
    {
        m_center->musicChanged("player", MusicApp::music,
                               {{playerInfo::state, playing ? "Playing" : "Paused"},
                                {playerInfo::name, "Song"},
                                {playerInfo::artist, "Ada"}});
    }
    IslandEvent event(const QString &title, double seconds)
    {
        return {"play.fill", title, std::nullopt, {}, seconds};
    }

private slots:
    void newerEventReplacesOlderAndKeepsItsOwnTime()
    {
        make();
        m_model->announce(event("first", 6));
        m_clock->advance(1s);
        m_model->announce(event("second", 3));
        QCOMPARE(m_model->eventTitle(), "second");
        QCOMPARE(m_model->mode(), IslandModel::Mode::event);
        m_clock->advance(2999ms);
        QCOMPARE(m_model->mode(), IslandModel::Mode::event);
        m_clock->advance(1ms);
        QCOMPARE(m_model->mode(), IslandModel::Mode::resting);
        QVERIFY(!m_model->event());
        m_clock->advance(3s); // past the first one's end: nothing more happens
        QCOMPARE(m_model->mode(), IslandModel::Mode::resting);
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
        make();
        m_model->setHovering(true);
        m_model->announce(event("news", 3)); // expanded stays expanded
        QCOMPARE(m_model->modeName(), "expanded");
        m_clock->advance(std::chrono::milliseconds(leaveAfterMs));
        QCOMPARE(m_model->modeName(), "expanded");
        m_model->setHovering(false);
        QCOMPARE(m_model->modeName(), modeAfterLeaving);
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
        make(geometry);
        const QSizeF initial = m_model->size();
        QSignalSpy sizeChanges(m_model.get(), &IslandModel::sizeChanged);
        if (playing)
            music(true);
        for (int i = 0; i < activities; ++i)
            activity(QString::number(i));
        m_clock->advance(10s); // every event is over
        if (mode == "event")
            m_model->announce(event("news", 3));
        m_model->setHovering(mode == "expanded");
        QCOMPARE(m_model->modeName(), mode);
        QCOMPARE(m_model->size(), size);
        QCOMPARE(sizeChanges.isEmpty(), size == initial);
        QCOMPARE(m_model->visibleActivities().size(), std::min(activities, 2));
        if (activities > 0)
            QCOMPARE(m_model->visibleActivities().first().id, QString::number(activities - 1));
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
        make();
        QSignalSpy focusChanges(m_model.get(), &IslandModel::focusChanged);
        for (const QString &step : steps) {
            if (step == "wallpaper")
                m_settings->setCurrentVideo(QUrl::fromLocalFile("/v/ocean_waves-4k.mp4"));
            else if (step == "playing" || step == "paused")
                music(step == "playing");
            else
                activity(step.section(':', 0, 0),
                         step.section(':', 1, 1).isEmpty() ? "running" : step.section(':', 1, 1));
        }
        QCOMPARE(m_model->focusName(), focus);
        QCOMPARE(m_model->focusTitle(), title);
        QCOMPARE(m_model->focusNeedsAttention(), attention);
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
        make();
        m_settings->setCurrentVideo(QUrl::fromLocalFile("/v/a.mp4"));
        m_model->setSpeed(speed);
        QCOMPARE(m_settings->speed(m_settings->currentVideo()), speed);
        if (reason)
            m_model->setPauseReason(*reason);
        QCOMPARE(m_model->statusText(), status);
        QCOMPARE(m_model->speedTitle(), speedTitle);
        QLocale::setDefault(QLocale::c());
    }

    void speedWithoutWallpaperChangesNothing()
    {
        make();
        m_model->setSpeed(0.5);
        QVERIFY(m_settings->speeds().isEmpty());
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
        make();
        QImage artwork(4, 4, QImage::Format_RGB32);
        m_model->announce({icon, "t", std::nullopt, image ? artwork : QImage(), 3});
        QCOMPARE(m_model->eventPicture(), picture);
    }

    // The expanded island's "time since" texts count on only while they show.
    void elapsedTimesTickOnlyWhileExpanded()
    {
        make();
        activity("a");
        m_clock->advance(10s);
        QCOMPARE(m_clock->pendingCount(), 0u);
        m_model->setHovering(true);
        QCOMPARE(m_clock->pendingCount(), 1u);
        QSignalSpy ticks(m_model->visibleActivityList(), &QAbstractItemModel::dataChanged);
        m_clock->advance(3s);
        QCOMPARE(ticks.size(), 3);
        m_model->setHovering(false);
        QCOMPARE(m_clock->pendingCount(), 0u);
        QCOMPARE(IslandActivities::elapsedText(5), "5 sec");
        QCOMPARE(IslandActivities::elapsedText(125), "2 min, 5 sec");
        QCOMPARE(IslandActivities::elapsedText(3600), "1 hr");
        QCOMPARE(IslandActivities::elapsedText(2 * 86400 + 4 * 3600), "2 days, 4 hr");
    }
};

QUINTARA_TEST_MAIN(IslandModelTest)
#include "tst_islandmodel.moc"
