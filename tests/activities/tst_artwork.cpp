#include "LoopbackHttpServer.h"
#include "Rows.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "activities/ActivityCenter.h"
#include "activities/ArtworkLoader.h"
#include "platform/WorkQueue.h"

#include <QBuffer>
#include <QNetworkAccessManager>

using namespace quintara;
using L = QStringList;
using Server = test::LoopbackHttpServer;

namespace {

QByteArray png(int width)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImage(width, 4, QImage::Format_RGB32).save(&buffer, "PNG");
    return bytes;
}

QVariantMap track(const QString &title, const QString &album, const QString &id = {},
                  const QString &art = {})
{
    QVariantMap info{{"Player State", "Playing"}, {"Name", title}, {"Artist", "Ada"}};
    for (const auto &[key, value] : {std::pair{"Album", album}, {"Track ID", id}, {"Art URL", art}})
        if (!value.isEmpty())
            info.insert(key, value);
    return info;
}

} // namespace

// The web services and the players' own images all come from a loopback server.
class ArtworkTest : public QObject {
    Q_OBJECT

    Server m_server;
    QNetworkAccessManager m_network;
    ThreadWorkQueue m_decoding{"artwork"};
    test::VirtualScheduler m_clock;
    ArtworkLoader m_loader{
        m_network, m_decoding, {m_server.url(), QUrl("https://open.spotify.com"), m_server.url()}};
    std::unique_ptr<ActivityCenter> m_center;
    QTemporaryDir m_files;

    QStringList requested() const
    {
        QStringList targets;
        for (const Server::Request &request : m_server.requests())
            targets << QUrl::fromPercentEncoding(request.target);
        return targets;
    }

private slots:
    void initTestCase()
    {
        m_server.route("/oembed",
                       Server::Response::json("{\"thumbnail_url\":\"" +
                                              m_server.url("/cover.png").toEncoded() + "\"}"));
        m_server.route("/search", Server::Response::json(
                                      "{\"results\":[{\"artworkUrl100\":\"" +
                                      m_server.url("/a/100x100bb.png").toEncoded() + "\"}]}"));
        m_server.route("/cover.png", Server::Response::ok(png(5), "image/png"));
        m_server.route("/a/600x600bb.png", Server::Response::ok(png(6), "image/png"));
        m_server.route("/own.png", Server::Response::ok(png(7), "image/png"));
        QImage(8, 4, QImage::Format_RGB32).save(m_files.filePath("art.png"));
    }
    void init()
    {
        m_server.clearRequests();
        m_center = std::make_unique<ActivityCenter>(m_clock,
                                                    ActivityServices{nullptr, nullptr, &m_loader});
    }

    void lookUps_data()
    {
        // width: of the artwork shown; 0 for none
        const auto row = test::rows<std::tuple<QString, QVariantMap, QStringList, int>>();
        const QString search = "/search?term=Ada %1&entity=album&limit=1";
        row("Spotify track",
            {"spotify", track("Song", "Album", "spotify:track:4uLU6h"),
             L{"/oembed?url=https://open.spotify.com/track/4uLU6h", "/cover.png"}, 5});
        row("without an album",
            {"music", track("Song", ""), L{search.arg("Song"), "/a/600x600bb.png"}, 6});
        row("Spotify's local file",
            {"spotify", track("Song", "Album", "spotify:local:Ada:Album:Song:200"),
             L{search.arg("Album"), "/a/600x600bb.png"}, 6});
        row("the player's own address",
            {"music", track("Song", "Album", {}, m_server.url("/own.png").toString()),
             L{"/own.png"}, 7});
        row("the player's own file",
            {"music",
             track("Song", "Album", {},
                   QUrl::fromLocalFile(m_files.filePath("art.png")).toString()),
             L{}, 8});
        row("not an image at the player's address: look it up",
            {"music", track("Song", "Album", {}, m_server.url("/missing").toString()),
             L{"/missing", search.arg("Album"), "/a/600x600bb.png"}, 6});
    }
    void lookUps()
    {
        auto [app, info, requests, width] =
            test::row<std::tuple<QString, QVariantMap, QStringList, int>>();
        QList<IslandEvent> events;
        connect(m_center.get(), &ActivityCenter::eventRaised, this,
                [&events](const IslandEvent &e) { events << e; });
        m_center->musicChanged(app, app == "spotify" ? MusicApp::spotify : MusicApp::music, info);
        QTRY_COMPARE(events.size(), 1);
        QCOMPARE(m_center->artwork().width(), width);
        QCOMPARE(events.first().image.width(), width);
        QCOMPARE(requested(), requests);

        if (!info.contains("Album"))
            return;
        // The next track of the same album keeps it, without asking anyone.
        info.insert("Name", "Next");
        m_center->musicChanged(app, MusicApp::music, info);
        QCOMPARE(events.size(), 2);
        QCOMPARE(events.last().image.width(), width);
        QCOMPARE(requested(), requests);
    }

    // A track that is no longer current by the time its image is found never downloads it.
    void aNewerTrackWins()
    {
        Server::Response held = Server::Response::json(
            "{\"thumbnail_url\":\"" + m_server.url("/cover.png").toEncoded() + "\"}");
        held.holdAt = 0;
        m_server.route("/oembed", held);
        QStringList titles;
        connect(m_center.get(), &ActivityCenter::eventRaised, this,
                [&titles](const IslandEvent &e) { titles << e.title; });
        m_center->musicChanged("p", MusicApp::spotify, track("First", "One", "spotify:track:1"));
        QTRY_COMPARE(requested().size(), 1);
        m_center->musicChanged("p", MusicApp::music, track("Second", "Two"));
        QTRY_COMPARE(m_center->artwork().width(), 6);
        m_server.release("/oembed");
        QTRY_COMPARE(titles, (L{"Second", "First"}));
        QCOMPARE(m_center->artwork().width(), 6);
        QVERIFY(!requested().contains("/cover.png"));
    }
};

QUINTARA_TEST_MAIN(ArtworkTest)
#include "tst_artwork.moc"
