#include "DBusMock.h"
#include "Rows.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "activities/ActivityCenter.h"
#include "platform/LogSink.h"
#include "platform/linux/MprisPlayers.h"

#include <QDBusObjectPath>
#include <memory>

using namespace quintara;
using L = QStringList;

namespace {

const QString playerInterface = "org.mpris.MediaPlayer2.Player";

// An MPRIS player on the session bus.
std::unique_ptr<test::DBusMock> player(const QString &name, const QString &failure = {})
{
    auto mock = std::make_unique<test::DBusMock>("org.mpris.MediaPlayer2." + name,
                                                 "/org/mpris/MediaPlayer2", playerInterface);
    mock->addProperty("PlaybackStatus", "Stopped");
    mock->addProperty("Metadata", QVariantMap{});
    for (const char *method : {"PlayPause", "Next", "Previous"})
        mock->addMethod(method, "", "",
                        failure.isEmpty() ? QString()
                                          : "raise dbus.exceptions.DBusException('" + failure +
                                                "', name='org.mpris.MediaPlayer2.Error')");
    return mock;
}

QVariantMap track(const QString &title, const QString &album, const QVariant &id = {})
{
    QVariantMap metadata{{"xesam:title", title}, {"xesam:artist", L{"Ada", "Bo"}}};
    if (!album.isEmpty())
        metadata.insert("xesam:album", album);
    if (id.isValid())
        metadata.insert("mpris:trackid", id);
    return metadata;
}

// Player, status, metadata: the center's track, the events raised.
using AnnouncementRow = std::tuple<QString, QString, QVariantMap, QString, QStringList>;

} // namespace

class NowPlayingTest : public QObject {
    Q_OBJECT

    test::VirtualScheduler m_clock;
    MprisPlayers m_players;
    ActivityCenter m_center{m_clock, {nullptr, &m_players, nullptr}};
    std::unique_ptr<test::DBusMock> m_spotify, m_other;
    QStringList m_events;

    // The center's track as "app|title|artist|album|playing|track id|player".
    QString shown() const
    {
        const auto &now = m_center.nowPlaying();
        if (!now)
            return "none";
        return L{rawValue(now->app),
                 now->title,
                 now->artist,
                 now->album.value_or("-"),
                 now->isPlaying ? "playing" : "paused",
                 now->trackID.value_or("-"),
                 m_center.nowPlayingPlayer().section('.', -1)}
            .join('|');
    }

private slots:
    void initTestCase()
    {
        m_players.start();
        m_spotify = player("spotify");
        m_other = player("vlc", "Player busy");
        QVERIFY(m_spotify->isRunning() && m_other->isRunning());
        connect(&m_center, &ActivityCenter::eventRaised, this, [this](const IslandEvent &e) {
            m_events << e.icon + "|" + e.title + "|" + *e.subtitle;
        });
    }

    // The rows run in order: a player changes, then the center shows.
    void announcements_data()
    {
        const auto row = test::rows<AnnouncementRow>();
        const QString song = "Spotify|Song|Ada, Bo|Album|%1|spotify:track:4uLU6h|spotify";
        const auto spotifyId = QVariant::fromValue(QDBusObjectPath("/com/spotify/track/4uLU6h"));
        row("Spotify plays", {"spotify",
                              "Playing",
                              track("Song", "Album", spotifyId),
                              song.arg("playing"),
                              {"music.note|Song|Ada, Bo"}});
        row("paused", {"spotify", "Paused", {}, song.arg("paused"), {}});
        row("stopped from the other player", {"vlc", "Stopped", {}, song.arg("paused"), {}});
        row("the other player plays", {"vlc",
                                       "Playing",
                                       track("Tune", ""),
                                       "Music|Tune|Ada, Bo|-|playing|-|vlc",
                                       {"music.note|Tune|Ada, Bo"}});
        row("nameless", {"vlc", "Playing", {{"xesam:album", "A"}}, "none", {}});
    }
    void announcements()
    {
        const auto &[player, status, metadata, shown, events] = test::row<AnnouncementRow>();
        m_events.clear();
        QVariantMap changed{{"PlaybackStatus", status}};
        if (!metadata.isEmpty())
            changed.insert("Metadata", metadata);
        QVERIFY((player == "spotify" ? m_spotify : m_other)->updateProperties(changed));
        QTRY_COMPARE(this->shown(), shown);
        QCOMPARE(m_events, events);
    }

    void commandsReachThePlayerOfTheTrack()
    {
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        QVERIFY(m_spotify->updateProperties(
            {{"PlaybackStatus", "Playing"}, {"Metadata", track("Song", "Album")}}));
        QTRY_COMPARE(m_center.nowPlayingPlayer(), "org.mpris.MediaPlayer2.spotify");
        m_center.send(MusicCommand::nextTrack);
        m_center.send(MusicCommand::playPause);
        QTRY_COMPARE(m_spotify->calledMethods().filter(QRegularExpression("^(Next|PlayPause)$")),
                     (L{"Next", "PlayPause"}));

        // A player that refuses leaves one line in the log.
        QVERIFY(m_other->updateProperties(
            {{"PlaybackStatus", "Paused"}, {"Metadata", track("Tune", "")}}));
        QTRY_COMPARE(m_center.nowPlayingPlayer(), "org.mpris.MediaPlayer2.vlc");
        m_center.send(MusicCommand::previousTrack);
        QTRY_COMPARE(log.matching("Quintara: music control failed: "),
                     L{"Quintara: music control failed: Player busy"});
        QVERIFY(!m_spotify->calledMethods().contains("Previous"));
    }

    void aPlayerThatQuits()
    {
        QVERIFY(m_other->updateProperties(
            {{"PlaybackStatus", "Playing"}, {"Metadata", track("Tune", "")}}));
        QTRY_COMPARE(m_center.nowPlayingPlayer(), "org.mpris.MediaPlayer2.vlc");
        m_other.reset();
        QTRY_VERIFY(!m_center.nowPlaying());
        // A player that comes along announces what it already plays.
        m_other = player("vlc");
        QVERIFY(m_other->updateProperties(
            {{"PlaybackStatus", "Playing"}, {"Metadata", track("Later", "")}}));
        QTRY_COMPARE(shown(), "Music|Later|Ada, Bo|-|playing|-|vlc");
    }
};

QUINTARA_TEST_MAIN(NowPlayingTest)
#include "tst_nowplaying.moc"
