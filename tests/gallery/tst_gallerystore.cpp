#include "GalleryFixture.h"
#include "Rows.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "gallery/GalleryStore.h"

#include <QJsonArray>
#include <QJsonDocument>

using namespace quintara;
using Response = test::LoopbackHttpServer::Response;
using Action = GalleryWallpaperModel::Action;
using DecodingRow = std::tuple<QString, QJsonValue, QString>;

// The gallery store against a loopback gallery: the catalog, downloads and the statistics ping.
class GalleryStoreTest : public QObject {
    Q_OBJECT

    test::LoopbackHttpServer m_server;
    test::VirtualScheduler m_clock;
    std::unique_ptr<GalleryStore> m_store;
    const QString m_folder = QDir::homePath() + "/library";
    QList<GalleryStore::Result> m_results;

    void download(const QString &id, qint64 bytes = 11)
    {
        m_store->download({id, id, {}, {}, {}, {}, m_server.url("/v/" + id), {}, bytes, {}},
                          QUrl::fromLocalFile(m_folder), [this](auto &r) { m_results << r; });
    }
    QByteArray installed() const
    {
        QFile file(m_folder + "/a.mp4");
        return file.open(QIODevice::ReadOnly) ? file.readAll() : "(missing)";
    }
    QStringList files() const { return QDir(m_folder).entryList(QDir::Files | QDir::Hidden); }
    double published(const QString &id)
    {
        m_clock.advance(GalleryStore::progressInterval);
        return m_store->progress().value(id, -1); // -1: not downloading
    }

private slots:
    void init()
    {
        m_store = std::make_unique<GalleryStore>(
            GalleryEndpoints{m_server.url("/catalog.json"), m_server.url("/stats")}, m_clock);
        QDir(m_folder).removeRecursively();
        QDir().mkpath(m_folder);
        QFile old(m_folder + "/a.mp4");
        QVERIFY(old.open(QIODevice::WriteOnly) && old.write("old") == 3);
        m_results.clear();
        m_server.clearRequests();
    }

    void endpoints_data()
    {
        // Gallery bases (environment, build), statistics bases (the same), what they give.
        QTest::addColumn<QStringList>("bases");
        QTest::newRow("environment first") << QStringList{
            "file:///g/", "https://b", "http://s/p", "https://t", "file:///g/catalog.json",
            "http://s/p"};
        QTest::newRow("unusable skipped, else the sample") << QStringList{
            "ftp://g", "", "file:///s", "https://t", "file:///sample/catalog.json", "https://t"};
    }
    void endpoints()
    {
        QFETCH(QStringList, bases);
        const auto [catalog, stats] =
            resolveGalleryEndpoints(bases[0], bases[1], bases[2], bases[3], QUrl("file:///sample"));
        QCOMPARE(bases.mid(4), QStringList({catalog.toString(), stats.toString()}));
    }

    void decoding_data()
    {
        // key, value (undefined removes the key), credit line (empty: the whole catalog fails)
        const auto row = test::rows<DecodingRow>();
        const QJsonValue none(QJsonValue::Undefined);
        const QString normal = "Quintara \u00b7 CC0 1.0";
        row("no unverified", {"unverified", none, normal});
        row("unverified", {"unverified", true, "Licence unverified"});
        row("licence without url", {"licence", QJsonObject{{"name", "CC0 1.0"}}, normal});
        row("unknown key", {"rating", 5, normal});
        row("no bytes", {"bytes", none, ""});
        for (const char *video : {"not a url", "file:///etc/x"}) // not of the catalog's scheme
            row(QByteArray("video ") + video, {"video", video, ""});
        for (const char *id : {"", "../evil", "a/b", ".", "..", ".hidden"})
            row("id \"" + QByteArray(id) + '"', {"id", id, ""});
        row("id with NUL", {"id", QString("a") + QChar(0) + "b", ""});
    }
    void decoding()
    {
        const auto &[key, value, creditLine] = test::row<DecodingRow>();
        QJsonObject changed = test::catalogEntry(m_server, {"b", "B"});
        value.isUndefined() ? changed.remove(key) : void(changed.insert(key, value));
        const QJsonArray entries{test::catalogEntry(m_server, {"a", "A"}), changed};
        const auto decoded = decodeCatalog(
            QJsonDocument(QJsonObject{{"wallpapers", entries}}).toJson(), m_server.url("/c"));
        QCOMPARE(decoded.has_value(), !creditLine.isEmpty());
        if (decoded)
            QCOMPARE(decoded->at(1).creditLine(), creditLine);
    }

    void loadsOncePerRun()
    {
        m_server.route("/catalog.json", Response::notFoundPage());
        m_store->load();
        QTRY_COMPARE(m_store->content(), GalleryStore::Content::unavailable); // a 404 page fails
        QCOMPARE(m_store->error(),
                 "Couldn't reach the gallery. Check your connection and try again.");
        test::serveGallery(m_server, {{"a", "A", {}, Response::ok("v"), 999999}, {"b", "B"}});
        int loaded = 0;
        m_store->whenLoaded(m_store.get(), [&] { ++loaded; }); // a new request after a failure
        m_store->load(); // returns at once while that request runs
        QVERIFY(m_store->error().isEmpty() && m_store->content() == GalleryStore::Content::spinner);
        QTRY_COMPARE(loaded, 1);
        m_store->whenLoaded(m_store.get(), [&] { ++loaded; }); // no request once loaded
        QCOMPARE(loaded, 2);
        QCOMPARE(m_store->content(), GalleryStore::Content::grid);
        QCOMPARE(m_server.requests("/catalog.json").size(), 2);

        // The tiles: which button each shows, and what it says.
        GalleryWallpaperModel &tiles = *m_store->model();
        tiles.setLibraryFiles({"b.mp4", "c.mp4"});
        const auto action = [&](int row) {
            return tiles.index(row).data(GalleryWallpaperModel::ActionRole).value<Action>();
        };
        QVERIFY(action(0) == Action::download && action(1) == Action::use);
        QCOMPARE(tiles.index(0).data(GalleryWallpaperModel::DownloadTitleRole), "Get \u00b7 0 MB");
        QCOMPARE(GalleryWallpaperModel::percentText(0.999), "99%");
    }

    void downloads_data()
    {
        const auto row = test::rows<std::tuple<Response, QByteArray>>();
        Response cut = Response::ok(QByteArray(300000, 'v'));
        cut.cutAt = 100000;
        Response failed = Response::ok("<html>Pick one</html>", "text/html");
        failed.status = 300; // not an error to the network layer, and not the video either
        row("replaces the file", {Response::ok("new"), QByteArray("new")});
        row("404 page", {Response::notFoundPage(), QByteArray("old")});
        row("not a success", {failed, QByteArray("old")});
        row("cut short", {cut, QByteArray("old")});
    }
    void downloads()
    {
        const auto &[response, installed] = test::row<std::tuple<Response, QByteArray>>();
        // Partial files of runs killed mid-download: this entry's goes, another's stays.
        for (const char *name : {"/.a.mp4.Xy12Zw.part", "/.a.mp4.mp4.Xy12Zw.part"})
            QVERIFY(QFile(m_folder + name).open(QIODevice::WriteOnly));
        m_server.route("/v/a", response);
        download("a");
        QVERIFY(m_store->progress().value("a") == 0.0 && m_results.isEmpty());
        QTRY_COMPARE(m_results.size(), 1);
        QVERIFY(m_results[0].ok() == (installed == "new") && this->installed() == installed);
        QCOMPARE(files(), QStringList({".a.mp4.mp4.Xy12Zw.part", "a.mp4"}));
        QVERIFY(m_store->progress().isEmpty());
    }

    void progressJoiningAndQuitting()
    {
        Response held = Response::ok(QByteArray(200000, 'v'));
        held.framing = test::LoopbackHttpServer::Framing::chunked; // no length announced
        held.holdAt = 100000;
        m_server.route("/v/a", held);
        download("a", 150000); // against the catalog's size
        download("a");         // joins the running download
        QTRY_COMPARE(published("a"), 100000 / 150000.0);
        QCOMPARE(m_server.requests().size(), 1);
        m_server.route("/v/b", held);
        download("b", 1000); // a catalog size too small never gives more than 1
        QTRY_COMPARE(published("b"), 1.0);
        // Quitting: no caller hears back, and the installed file stays as it was.
        m_store.reset();
        QVERIFY(files() == QStringList{"a.mp4"} && installed() == "old" && m_results.isEmpty());
    }

    void statisticsPing()
    {
        m_store->recordDownload({"abc", {}, {}, {}, {}, {}, {}, {}, 0, {}});
        QTRY_COMPARE(m_server.requests("/stats/download").size(), 1);
        const auto ping = m_server.requests("/stats/download").first();
        QCOMPARE(ping.method + " " + ping.header("Content-Type") + " " + ping.body,
                 R"(POST application/json {"ids":["abc"]})");
    }
};

QUINTARA_TEST_MAIN(GalleryStoreTest)
#include "tst_gallerystore.moc"
