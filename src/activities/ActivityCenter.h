#pragma once

#include "activities/LiveActivity.h"
#include "activities/NowPlaying.h"
#include "platform/Scheduler.h"
#include "settings/IslandSource.h"

#include <QImage>
#include <QList>
#include <QObject>
#include <chrono>
#include <functional>
#include <optional>

namespace quintara {

class ArtworkLoader;
class Broadcast;
class MediaPlayers;

// Where the activity center's reports and tracks come from; each may be absent.
struct ActivityServices {
    Broadcast *broadcast = nullptr;
    MediaPlayers *players = nullptr;
    ArtworkLoader *artwork = nullptr;
};

// Collects what happens elsewhere on the desktop: activity reports from the watchers and from
// outside tools, and the track the music players announce. Keeps the live activities newest
// first, one per id, drops finished ones after a while, and raises an event whenever the island
// should flash a notice. Everything runs on the main thread.
class ActivityCenter : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool musicPlaying READ isMusicPlaying NOTIFY nowPlayingChanged)
    Q_PROPERTY(QImage artwork READ artwork NOTIFY artworkChanged)

public:
    // How long a finished activity stays listed.
    static constexpr std::chrono::seconds doneLifetime{8};

    explicit ActivityCenter(Scheduler &scheduler, ActivityServices services = {},
                            QObject *parent = nullptr);

    // Applies one report: adds, updates or moves the activity it names to the front.
    void report(const ActivityReport &report);

    // Newest report first; no two with the same id.
    const QList<LiveActivity> &activities() const { return m_activities; }
    // The first activity that needs attention, else the first running one.
    std::optional<LiveActivity> currentActivity() const;

    IslandSourceSet enabledSources() const { return m_enabledSources; }
    // Drops the track and the activities of every source that is no longer in `sources`.
    void setEnabledSources(const IslandSourceSet &sources);

    const std::optional<NowPlaying> &nowPlaying() const { return m_nowPlaying; }
    // The player that announced the current track.
    QString nowPlayingPlayer() const { return m_player; }
    QImage artwork() const { return m_artwork; }
    bool isMusicPlaying() const { return m_nowPlaying && m_nowPlaying->isPlaying; }

    // A player announced its state (keys of `playerInfo`).
    void musicChanged(const QString &player, MusicApp app, const QVariantMap &info);
    // Sends `command` to the player of the current track; nothing without one.
    void send(MusicCommand command);

signals:
    void activitiesChanged();
    void nowPlayingChanged();
    void artworkChanged();
    // A notice for the island to flash.
    void eventRaised(const IslandEvent &event);

private:
    void setNowPlaying(std::optional<NowPlaying> track, const QString &player);
    void setArtwork(const QImage &image);
    // Looks up the artwork of `track` unless it is the one already shown or being fetched,
    // then runs `then`.
    void loadArtwork(const NowPlaying &track, std::function<void()> then);

    Scheduler &m_scheduler;
    ActivityServices m_services;
    QList<LiveActivity> m_activities;
    IslandSourceSet m_enabledSources{allIslandSources.begin(), allIslandSources.end()};
    std::optional<NowPlaying> m_nowPlaying;
    QString m_player;
    QImage m_artwork;
    std::optional<QString> m_artworkKey;
};

} // namespace quintara
