#include "island/IslandModel.h"

#include "platform/DesktopWords.h"
#include "settings/PlaybackSpeed.h"
#include "settings/VideoFiles.h"

#include <QLocale>
#include <QVariantMap>
#include <algorithm>
#include <chrono>

namespace quintara {

namespace {

constexpr qsizetype maxVisibleActivities = 2;

// Heights of the expanded island's rows, and the room around them.
constexpr double wallpaperRow = 104;
constexpr double musicRow = 64;
constexpr double activityRow = 40;
constexpr double rowSpacing = 10;
constexpr double panelPadding = 28;

} // namespace

IslandModel::IslandModel(AppSettings &settings, ActivityCenter &activities, Scheduler &scheduler,
                         IslandGeometry geometry, Clock clock, QObject *parent)
    : QObject(parent), m_settings(settings), m_activities(activities), m_scheduler(scheduler),
      m_clock(clock ? std::move(clock) : [] { return QDateTime::currentDateTime(); }),
      m_geometry(geometry)
{
    m_lastSize = size();
    m_lastFocus = focus();
    m_visibleActivities.setNow(m_clock());
    connect(&activities, &ActivityCenter::eventRaised, this,
            [this](const IslandEvent &event) { announce(event); });
    connect(&activities, &ActivityCenter::activitiesChanged, this, [this] {
        m_visibleActivities.setActivities(visibleActivities());
        refresh();
        updateTicking();
    });
    connect(&activities, &ActivityCenter::nowPlayingChanged, this, [this] {
        emit nowPlayingChanged();
        refresh();
    });
    connect(&activities, &ActivityCenter::artworkChanged, this, &IslandModel::artworkChanged);
    connect(&settings, &AppSettings::currentVideoChanged, this, [this] {
        emit wallpaperChanged();
        refresh();
    });
    connect(&settings, &AppSettings::speedsChanged, this, &IslandModel::wallpaperChanged);
    m_visibleActivities.setActivities(visibleActivities());
}

void IslandModel::announce(const IslandEvent &event)
{
    m_event = event;
    emit eventChanged();
    updateMode();
    // A newer event replaces this one and gets its own full time; this one's end then never
    // comes.
    m_dismissTask = m_scheduler.after(
        std::chrono::round<Scheduler::Duration>(std::chrono::duration<double>(event.duration)),
        this, [this] {
            m_event.reset();
            emit eventChanged();
            updateMode();
        });
}

void IslandModel::updateMode()
{
    const Mode mode = m_hovering ? Mode::expanded : m_event ? Mode::event : Mode::resting;
    if (mode != m_mode) {
        m_mode = mode;
        emit modeChanged();
    }
    refresh();
    updateTicking();
}

void IslandModel::refresh()
{
    const Focus now = focus();
    if (!(now == m_lastFocus)) {
        m_lastFocus = now;
        emit focusChanged();
    }
    const QSizeF current = size();
    if (current != m_lastSize) {
        m_lastSize = current;
        emit sizeChanged();
    }
}

void IslandModel::updateTicking()
{
    // The "time since" texts only show in the expanded island.
    if (m_mode != Mode::expanded || m_visibleActivities.size() == 0) {
        m_ticking.cancel();
        return;
    }
    m_visibleActivities.setNow(m_clock());
    if (!m_ticking.isPending())
        m_ticking =
            m_scheduler.every(tick, this, [this] { m_visibleActivities.setNow(m_clock()); });
}

QString IslandModel::modeName() const
{
    switch (m_mode) {
    case Mode::resting:
        return QStringLiteral("resting");
    case Mode::event:
        return QStringLiteral("event");
    case Mode::expanded:
        return QStringLiteral("expanded");
    }
    return {};
}

IslandModel::Focus IslandModel::focus() const
{
    if (auto activity = m_activities.currentActivity())
        return {Focus::Kind::activity, std::move(activity)};
    if (m_activities.isMusicPlaying())
        return {Focus::Kind::music, std::nullopt};
    return {};
}

QList<LiveActivity> IslandModel::visibleActivities() const
{
    return m_activities.activities().mid(0, maxVisibleActivities);
}

QSizeF IslandModel::size() const
{
    const IslandGeometry &g = m_geometry;
    switch (m_mode) {
    case Mode::resting:
        if (g.hasNotch)
            return {g.notchWidth + 84, g.notchHeight};
        if (focus().kind == Focus::Kind::wallpaper)
            return {0, 0};
        return {300, std::max(30.0, g.menuBarHeight)};
    case Mode::event:
        return {std::max(380.0, g.notchWidth + 84), g.hasNotch ? g.notchHeight + 60 : 60};
    case Mode::expanded: {
        QList<double> rows{wallpaperRow};
        if (m_activities.nowPlaying())
            rows << musicRow;
        for (qsizetype i = 0; i < visibleActivities().size(); ++i)
            rows << activityRow;
        double height = g.hasNotch ? g.notchHeight : g.menuBarHeight;
        for (double row : rows)
            height += row;
        return {460, height + rowSpacing * double(rows.size() - 1) + panelPadding};
    }
    }
    return {};
}

void IslandModel::setGeometry(const IslandGeometry &geometry)
{
    if (geometry == m_geometry)
        return;
    m_geometry = geometry;
    emit geometryChanged();
    refresh();
}

void IslandModel::setHovering(bool hovering)
{
    if (hovering == m_hovering)
        return;
    m_hovering = hovering;
    updateMode();
}

void IslandModel::setPauseReason(OptionalPauseReason reason)
{
    if (reason == m_pauseReason)
        return;
    m_pauseReason = reason;
    emit pauseReasonChanged();
    emit wallpaperChanged();
}

void IslandModel::setPoster(const QImage &poster)
{
    m_poster = poster;
    emit posterChanged();
}

QString IslandModel::focusName() const
{
    switch (focus().kind) {
    case Focus::Kind::activity:
        return QStringLiteral("activity");
    case Focus::Kind::music:
        return QStringLiteral("music");
    case Focus::Kind::wallpaper:
        return QStringLiteral("wallpaper");
    }
    return {};
}

QString IslandModel::focusTitle() const
{
    const Focus now = focus();
    switch (now.kind) {
    case Focus::Kind::activity:
        return now.activity->title;
    case Focus::Kind::music: {
        const auto &track = m_activities.nowPlaying();
        if (!track)
            return {};
        return track->artist.isEmpty() ? track->title
                                       : track->title + QStringLiteral(" \u00b7 ") + track->artist;
    }
    case Focus::Kind::wallpaper:
        return wallpaperTitle();
    }
    return {};
}

bool IslandModel::focusNeedsAttention() const
{
    const Focus now = focus();
    return now.activity && now.activity->state == LiveActivity::State::attention;
}

QString IslandModel::eventSubtitle() const
{
    return m_event ? m_event->subtitle.value_or(QString()) : QString();
}

QString IslandModel::eventPicture() const
{
    if (!m_event)
        return {};
    if (!m_event->image.isNull())
        return QStringLiteral("artwork");
    const QString &icon = m_event->icon;
    if (icon == QLatin1String("sparkles") || icon.startsWith(QLatin1String("checkmark")) ||
        icon.startsWith(QLatin1String("exclamation")))
        return QStringLiteral("symbol");
    return QStringLiteral("poster");
}

QString IslandModel::wallpaperTitle() const
{
    const QUrl current = m_settings.currentVideo();
    return current.isEmpty() ? QString() : displayTitle(current);
}

QString IslandModel::statusText() const
{
    if (m_pauseReason)
        return desktopWords(islandText(*m_pauseReason));
    if (speed() == 1.0)
        return QStringLiteral("Playing");
    return QStringLiteral("Playing at ") + speedTitle();
}

QString IslandModel::speedTitle() const
{
    return quintara::speedTitle(speed(), QLocale());
}

QVariantList IslandModel::speedChoices() const
{
    QVariantList choices;
    for (double speed : quintara::speedChoices)
        choices << QVariantMap{{QStringLiteral("speed"), speed},
                               {QStringLiteral("title"), quintara::speedTitle(speed, QLocale())}};
    return choices;
}

QString IslandModel::trackTitle() const
{
    const auto &track = m_activities.nowPlaying();
    return track ? track->title : QString();
}

QString IslandModel::trackArtist() const
{
    const auto &track = m_activities.nowPlaying();
    return track ? track->artist : QString();
}

void IslandModel::sendMusic(const QString &command)
{
    static const QHash<QString, MusicCommand> commands{
        {QStringLiteral("previousTrack"), MusicCommand::previousTrack},
        {QStringLiteral("playPause"), MusicCommand::playPause},
        {QStringLiteral("nextTrack"), MusicCommand::nextTrack},
    };
    const auto it = commands.constFind(command);
    if (it != commands.cend())
        m_activities.send(*it);
}

void IslandModel::setSpeed(double speed)
{
    const QUrl current = m_settings.currentVideo();
    if (!current.isEmpty())
        m_settings.setSpeed(speed, current);
}

} // namespace quintara
