#include "activities/ActivityCenter.h"

#include "activities/ArtworkLoader.h"
#include "platform/Broadcast.h"
#include "platform/LogSink.h"
#include "platform/MediaPlayers.h"

#include <algorithm>

namespace quintara {

namespace {

using State = LiveActivity::State;

IslandEvent activityEvent(const LiveActivity &activity)
{
    switch (activity.state) {
    case State::running:
        return {QStringLiteral("sparkles"), activity.title, activity.source, {}, 3};
    case State::done:
        return {QStringLiteral("checkmark.circle.fill"),
                activity.title,
                activity.source + QStringLiteral(" finished"),
                {},
                4};
    case State::attention:
        return {QStringLiteral("exclamationmark.bubble.fill"),
                activity.title,
                activity.source + QStringLiteral(" needs you"),
                {},
                6};
    }
    return {};
}

MediaPlayers::Command playerCommand(MusicCommand command)
{
    switch (command) {
    case MusicCommand::playPause:
        return MediaPlayers::Command::playPause;
    case MusicCommand::nextTrack:
        return MediaPlayers::Command::next;
    case MusicCommand::previousTrack:
        return MediaPlayers::Command::previous;
    }
    return MediaPlayers::Command::playPause;
}

} // namespace

ActivityCenter::ActivityCenter(Scheduler &scheduler, ActivityServices services, QObject *parent)
    : QObject(parent), m_scheduler(scheduler), m_services(services)
{
    if (m_services.players)
        connect(m_services.players, &MediaPlayers::announced, this,
                [this](const QString &player, bool isSpotify, const QVariantMap &info) {
                    musicChanged(player, isSpotify ? MusicApp::spotify : MusicApp::music, info);
                });
    if (m_services.broadcast)
        connect(m_services.broadcast, &Broadcast::received, this,
                [this](const QVariantMap &report) { this->report(report); });
}

void ActivityCenter::report(const ActivityReport &report)
{
    const QString source = reportString(report, reportKey::source).value_or("Activity");
    const std::optional<IslandSource> island = islandSourceForActivity(source);
    if (island && !m_enabledSources.contains(*island))
        return;
    const QString id = reportString(report, reportKey::id).value_or(source);
    const State state = activityStateFromRaw(reportString(report, reportKey::state).value_or(""));

    const auto existing = std::find_if(m_activities.cbegin(), m_activities.cend(),
                                       [&id](const LiveActivity &a) { return a.id == id; });
    const std::optional<LiveActivity> previous =
        existing == m_activities.cend() ? std::nullopt : std::optional(*existing);

    QString title = reportString(report, reportKey::title).value_or(QString());
    if (title.isEmpty()) {
        // A bare state change for a known activity keeps its title.
        if (!previous || previous->state == state)
            return;
        title = previous->title;
    }
    std::optional<QString> detail = reportString(report, reportKey::detail);
    if (!detail && previous)
        detail = previous->detail;

    const LiveActivity activity{id, source, title, detail, state, QDateTime::currentDateTime()};
    m_activities.removeIf([&id](const LiveActivity &a) { return a.id == id; });
    m_activities.prepend(activity);
    emit activitiesChanged();

    if (!previous || previous->state != state)
        emit eventRaised(activityEvent(activity));

    if (state == State::done) {
        // Every done report gets its own expiry; none is ever cancelled or extended, and an
        // activity that came back to life in the meantime stays.
        m_scheduler.defer(doneLifetime, this, [this, id] {
            if (m_activities.removeIf([&id](const LiveActivity &a) {
                    return a.id == id && a.state == State::done;
                }) > 0)
                emit activitiesChanged();
        });
    }
}

std::optional<LiveActivity> ActivityCenter::currentActivity() const
{
    for (State wanted : {State::attention, State::running})
        for (const LiveActivity &activity : m_activities)
            if (activity.state == wanted)
                return activity;
    return std::nullopt;
}

void ActivityCenter::setEnabledSources(const IslandSourceSet &sources)
{
    m_enabledSources = sources;
    if (!sources.contains(IslandSource::music)) {
        m_artworkKey.reset();
        setNowPlaying(std::nullopt, QString());
        setArtwork({});
    }
    const auto dropped = m_activities.removeIf([&sources](const LiveActivity &a) {
        const std::optional<IslandSource> island = islandSourceForActivity(a.source);
        return island && !sources.contains(*island);
    });
    if (dropped > 0)
        emit activitiesChanged();
}

void ActivityCenter::musicChanged(const QString &player, MusicApp app, const QVariantMap &info)
{
    if (!m_enabledSources.contains(IslandSource::music))
        return;
    const QString state = reportString(info, playerInfo::state).value_or("Stopped");
    const std::optional<QString> name = reportString(info, playerInfo::name);
    if (state == QLatin1String("Stopped") || !name) {
        // Only the player that announced the track can take it away.
        if (m_nowPlaying && m_player == player) {
            setNowPlaying(std::nullopt, QString());
            setArtwork({});
        }
        return;
    }
    NowPlaying track;
    track.app = app;
    track.title = *name;
    track.artist = reportString(info, playerInfo::artist).value_or(QString());
    track.album = reportString(info, playerInfo::album);
    track.isPlaying = state == QLatin1String("Playing");
    track.trackID = reportString(info, playerInfo::trackId);
    track.artUrl = reportString(info, playerInfo::artUrl);

    const bool changed =
        !m_nowPlaying || m_nowPlaying->title != track.title || m_nowPlaying->artist != track.artist;
    setNowPlaying(track, player);
    if (!changed)
        return;
    loadArtwork(track, [this, track] {
        if (track.isPlaying)
            emit eventRaised(
                {QStringLiteral("music.note"), track.title, track.artist, m_artwork, 3});
    });
}

void ActivityCenter::loadArtwork(const NowPlaying &track, std::function<void()> then)
{
    const QString key = track.artworkKey();
    if (m_artworkKey == key) {
        then();
        return;
    }
    m_artworkKey = key;
    setArtwork({});
    if (!m_services.artwork) {
        then();
        return;
    }
    m_services.artwork->load(
        key, track, [this, key] { return m_artworkKey == key; }, this,
        [this, key, then = std::move(then)](const QImage &image) {
            if (m_artworkKey == key)
                setArtwork(image);
            then();
        });
}

void ActivityCenter::send(MusicCommand command)
{
    if (!m_nowPlaying || !m_services.players)
        return;
    m_services.players->send(m_player, playerCommand(command), this, [](const QString &error) {
        log::line(QStringLiteral("Quintara: music control failed: ") + error);
    });
}

void ActivityCenter::setNowPlaying(std::optional<NowPlaying> track, const QString &player)
{
    if (m_nowPlaying == track && m_player == player)
        return;
    m_nowPlaying = std::move(track);
    m_player = player;
    emit nowPlayingChanged();
}

void ActivityCenter::setArtwork(const QImage &image)
{
    if (m_artwork.isNull() && image.isNull())
        return;
    m_artwork = image;
    emit artworkChanged();
}

} // namespace quintara
