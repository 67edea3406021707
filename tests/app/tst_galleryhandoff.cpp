#include "GalleryFixture.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "app/GalleryHandOff.h"
#include "gallery/GalleryLink.h"
#include "platform/linux/JsonFileStore.h"
#include "settings/AppSettings.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

using namespace quintara;
using test::LoopbackHttpServer;
using Response = LoopbackHttpServer::Response;

// quintara://add links handed to the running application: what is downloaded, tagged, chosen
// and announced, against a loopback gallery.
class GalleryHandOffTest : public QObject {
    Q_OBJECT

    LoopbackHttpServer m_server;
    test::VirtualScheduler m_clock;
    std::unique_ptr<JsonFileStore> m_defaults;
    std::unique_ptr<AppSettings> m_settings;
    std::unique_ptr<GalleryStore> m_gallery;
    QStringList m_notices; // "symbol|title|subtitle|seconds"
    int m_applied = 0;
    QString m_folder;
    const QList<test::FixtureWallpaper> m_catalog{
        {"a", "Aurora", {"Sky"}},
        {"b", "Bay", {}},
        {"broken", "Broken", {}, Response::notFoundPage()}};

    QUrl file(const QString &name) const { return QUrl::fromLocalFile(m_folder + "/" + name); }
    std::unique_ptr<GalleryHandOff> start(const QStringList &ids, bool *finished)
    {
        auto handOff = std::make_unique<GalleryHandOff>(
            *m_settings, *m_gallery, [this] { ++m_applied; },
            [this](const GalleryNotice &n) {
                m_notices.append(
                    QStringList{n.symbol, n.title, n.subtitle, QString::number(n.seconds)}.join(
                        '|'));
            });
        connect(handOff.get(), &GalleryHandOff::finished, this, [finished] { *finished = true; });
        handOff->start(ids);
        return handOff;
    }
    qsizetype videoRequests() const
    {
        qsizetype count = 0;
        for (const auto &request : m_server.requests())
            count += request.path.startsWith("/videos/");
        return count;
    }
    void touch(const QString &name)
    {
        QFile f(m_folder + "/" + name);
        QVERIFY(f.open(QIODevice::WriteOnly));
    }

private slots:
    void init()
    {
        m_folder = QDir::homePath() + "/Movies/Quintara";
        QDir(m_folder).removeRecursively();
        QDir().mkpath(m_folder);
        QFile::remove(JsonFileStore::defaultPath());
        m_defaults = std::make_unique<JsonFileStore>(JsonFileStore::defaultPath());
        m_settings = std::make_unique<AppSettings>(*m_defaults);
        m_settings->setLibraryFolder(QUrl::fromLocalFile(m_folder));
        test::serveGallery(m_server, m_catalog);
        m_gallery = std::make_unique<GalleryStore>(
            GalleryEndpoints{m_server.url("/catalog.json"), m_server.url("/stats")}, m_clock);
        m_notices.clear();
        m_applied = 0;
        m_server.clearRequests();
    }
    void cleanup()
    {
        m_gallery.reset();
        m_settings.reset();
    }

    void links_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QString>("installed");
        QTest::addColumn<bool>("playing"); // a valid current video before
        QTest::addColumn<QStringList>("notices");
        QTest::addColumn<int>("downloads");
        QTest::addColumn<QString>("current"); // file name afterwards
        const QString adding = "arrow.down.circle.fill|%1|Online Gallery|4";
        const QString added = "checkmark.circle.fill|%1|Added to your library|2.5";
        const QString count = "checkmark.circle.fill|%1 wallpapers added|Online Gallery|3";
        const QStringList addedTwo{adding.arg("Adding 2 wallpapers\u2026"), added.arg("Aurora"),
                                   added.arg("Bay"), count.arg(2)};
        QTest::newRow("two, nothing playing") << "quintara://add?ids=a,b"
                                              << "" << false << addedTwo << 2 << "a.mp4";
        QTest::newRow("two, one playing") << "quintara://add?ids=a,b"
                                          << "" << true << addedTwo << 2 << "playing.mp4";
        QTest::newRow("one already installed")
            << "quintara://add?id=b"
            << "b.mp4" << true << QStringList{adding.arg("Already in your library")} << 0
            << "b.mp4";
        QTest::newRow("unknown")
            << "quintara://add?ids=zzz"
            << "" << true
            << QStringList{"exclamationmark.triangle.fill|Couldn't find those wallpapers|"
                           "Online Gallery|3"}
            << 0 << "playing.mp4";
        QTest::newRow("first of id and ids")
            << "quintara://add?x=1&id=a&ids=b"
            << "" << true << QStringList{adding.arg("Adding Aurora\u2026"), added.arg("Aurora")}
            << 1 << "a.mp4";
        QTest::newRow("a failed download")
            << "quintara://add?ids=broken,b"
            << "" << false << QStringList{adding.arg("Adding 2 wallpapers\u2026"), added.arg("Bay")}
            << 2 << "b.mp4"; // the first wanted entry that made it
        QTest::newRow("no ids") << "quintara://add?ids="
                                << "" << true << QStringList{} << 0 << "playing.mp4";
    }
    void links()
    {
        QFETCH(QString, link);
        QFETCH(QString, installed);
        QFETCH(bool, playing);
        QFETCH(QStringList, notices);
        QFETCH(int, downloads);
        QFETCH(QString, current);
        touch("playing.mp4");
        if (!installed.isEmpty())
            touch(installed);
        m_settings->setCurrentVideo(playing ? file("playing.mp4") : QUrl());
        bool finished = false;
        const auto handOff = start(*galleryLinkIds(QUrl(link)), &finished);
        QTRY_VERIFY(finished);
        QCOMPARE(m_notices, notices);
        QCOMPARE(videoRequests(), downloads);
        QCOMPARE(m_settings->currentVideo(), current.isEmpty() ? QUrl() : file(current));
        QCOMPARE(m_applied, int(!current.isEmpty() && current != "playing.mp4"));
        CategoryStore tags;
        tags.load(QUrl::fromLocalFile(m_folder));
        const bool tagged = downloads && link.contains("=a");
        QCOMPARE(tags.tagsOf("a.mp4"), tagged ? QStringList{"Sky"} : QStringList{});
        QVERIFY(m_server.requests("/stats/download").isEmpty());
    }

    void withoutLibraryFolderTheDefaultIsStored()
    {
        m_defaults->remove(settings_keys::libraryFolder);
        m_settings = std::make_unique<AppSettings>(*m_defaults); // a first run
        bool finished = false;
        const auto handOff = start({"b"}, &finished);
        QTRY_VERIFY(finished);
        QCOMPARE(QUrl(m_defaults->value(settings_keys::libraryFolder).toString())
                     .adjusted(QUrl::StripTrailingSlash),
                 QUrl::fromLocalFile(m_folder));
        QCOMPARE(m_settings->currentVideo(), file("b.mp4"));
        QVERIFY(QFile::exists(m_folder + "/b.mp4"));
    }

    void waitsForOtherCallersLoadAndDownload()
    {
        // The gallery view's catalog request is still running when the link arrives.
        QJsonArray entries;
        for (const auto &wallpaper : m_catalog)
            entries.append(test::catalogEntry(m_server, wallpaper));
        Response catalog =
            Response::json(QJsonDocument(QJsonObject{{"wallpapers", entries}}).toJson());
        catalog.holdAt = 0;
        m_server.route("/catalog.json", catalog);
        m_gallery->load();
        bool finished = false;
        auto handOff = start({"a"}, &finished);
        QTRY_COMPARE(m_server.requests("/catalog.json").size(), 1);
        m_server.release("/catalog.json");
        QTRY_VERIFY(finished);
        QVERIFY(m_notices.contains("checkmark.circle.fill|Aurora|Added to your library|2.5"));

        // The control panel is downloading the entry the link names: the hand-off waits for it.
        Response video = Response::ok("video bytes");
        video.holdAt = 0;
        m_server.route("/videos/b.mp4", video);
        bool panelDone = false;
        m_gallery->download(m_gallery->wallpapers().at(1), QUrl::fromLocalFile(m_folder),
                            [&](const GalleryStore::Result &r) { panelDone = r.ok(); });
        finished = false;
        handOff = start({"b"}, &finished);
        QTRY_COMPARE(m_server.requests("/videos/b.mp4").size(), 1);
        QVERIFY(!finished);
        m_server.release("/videos/b.mp4");
        QTRY_VERIFY(finished);
        QVERIFY(panelDone);
        QVERIFY(m_notices.contains("checkmark.circle.fill|Bay|Added to your library|2.5"));
        QCOMPARE(m_server.requests("/videos/b.mp4").size(), 1);
        QCOMPARE(m_settings->currentVideo(), file("b.mp4"));
    }
};

QUINTARA_TEST_MAIN(GalleryHandOffTest)
#include "tst_galleryhandoff.moc"
