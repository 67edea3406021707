#include "GalleryFixture.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "gallery/GalleryLink.h"
#include "gallery/GalleryStore.h"
#include "platform/LogSink.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>

using namespace quintara;
using test::LoopbackHttpServer;
using Response = LoopbackHttpServer::Response;

// The catalog: strict decoding, one request per run, the one failure text, where it lives, and
// the quintara: links that name its entries.
class GalleryCatalogTest : public QObject {
    Q_OBJECT

    LoopbackHttpServer m_server;
    test::VirtualScheduler m_scheduler;

    GalleryEndpoints endpoints() const { return {m_server.url("/catalog.json"), QUrl()}; }

private slots:
    void decoding_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QJsonValue>("value");   // undefined removes the key
        QTest::addColumn<QString>("creditLine"); // empty: the whole catalog fails

        const QJsonValue none(QJsonValue::Undefined);
        const QString normal = "Quintara \u00b7 CC0 1.0";
        QTest::newRow("no unverified") << "unverified" << none << normal;
        QTest::newRow("verified") << "unverified" << QJsonValue(false) << normal;
        QTest::newRow("unverified") << "unverified" << QJsonValue(true) << "Licence unverified";
        QTest::newRow("licence without url")
            << "licence" << QJsonValue(QJsonObject{{"name", "CC0 1.0"}}) << normal;
        QTest::newRow("unknown key") << "rating" << QJsonValue(5) << normal;
        QTest::newRow("no bytes") << "bytes" << none << "";
        QTest::newRow("fractional bytes") << "bytes" << QJsonValue(1.5) << "";
        QTest::newRow("no title") << "title" << none << "";
        QTest::newRow("tag not a string") << "tags" << QJsonValue(QJsonArray{1}) << "";
        QTest::newRow("video not a URL") << "video" << QJsonValue("not a url") << "";
        QTest::newRow("video of another scheme")
            << "video" << QJsonValue("file:///etc/passwd") << "";
        QTest::newRow("licence without name")
            << "licence" << QJsonValue(QJsonObject{{"url", "https://x.org"}}) << "";
        for (const char *id : {"", "../evil", "a/b", ".", "..", ".hidden"})
            QTest::addRow("id \"%s\"", id) << "id" << QJsonValue(id) << "";
        QTest::newRow("id with NUL") << "id" << QJsonValue(QString("a") + QChar(u'\0') + "b") << "";
    }
    void decoding()
    {
        QFETCH(QString, key);
        QFETCH(QJsonValue, value);
        QFETCH(QString, creditLine);
        QJsonObject changed = test::catalogEntry(m_server, {"b", "B", {"x"}});
        if (value.isUndefined())
            changed.remove(key);
        else
            changed.insert(key, value);
        const QJsonArray entries{test::catalogEntry(m_server, {"a", "A", {}}), changed};
        const auto decoded = decodeCatalog(
            QJsonDocument(QJsonObject{{"wallpapers", entries}}).toJson(), endpoints().catalog);
        QCOMPARE(decoded.has_value(), !creditLine.isEmpty());
        if (decoded) {
            QCOMPARE(decoded->size(), 2);
            QCOMPARE(decoded->at(1).creditLine(), creditLine);
            QCOMPARE(decoded->at(1).tags, QStringList{"x"});
        }
    }

    void failuresShowTheOneText_data()
    {
        QTest::addColumn<Response>("response");
        Response cut = Response::json(R"({"wallpapers": []})");
        cut.cutAt = 5;
        QTest::newRow("404 page") << Response::notFoundPage();
        QTest::newRow("html") << Response::ok("<html>Gallery</html>", "text/html");
        QTest::newRow("not a catalog") << Response::json(R"({"entries": []})");
        QTest::newRow("cut short") << cut;
    }
    void failuresShowTheOneText()
    {
        QFETCH(Response, response);
        m_server.route("/catalog.json", response);
        GalleryStore store(endpoints(), m_scheduler);
        store.load();
        QVERIFY(store.isLoading());
        QTRY_VERIFY(!store.isLoading());
        QCOMPARE(store.error(), "Couldn't reach the gallery. Check your connection and try again.");
        QVERIFY(store.wallpapers().isEmpty());

        // A later load starts afresh and clears the text.
        test::serveGallery(m_server, {{"a", "A", {}}});
        store.load();
        QVERIFY(store.error().isEmpty());
        QTRY_COMPARE(store.wallpapers().size(), 1);
        QCOMPARE(store.model()->rowCount(), 1);
    }

    void loadsOncePerRun()
    {
        test::serveGallery(m_server, {{"a", "A", {}}, {"b", "B", {}}});
        m_server.clearRequests();
        GalleryStore store(endpoints(), m_scheduler);
        int finished = 0;
        store.whenLoaded(&store, [&] { ++finished; });
        store.load(); // returns at once while the first request runs
        QVERIFY(store.isLoading());
        QTRY_VERIFY(!store.isLoading());
        QCOMPARE(finished, 1);
        QCOMPARE(store.wallpapers().at(1).id, "b");
        store.load();
        store.whenLoaded(&store, [&] { ++finished; });
        QCOMPARE(finished, 2);
        QCOMPARE(m_server.requests("/catalog.json").size(), 1);
    }

    void unreachableServer()
    {
        quint16 closedPort;
        {
            LoopbackHttpServer gone;
            closedPort = gone.port();
        }
        GalleryStore store(
            {QUrl(QString("http://127.0.0.1:%1/catalog.json").arg(closedPort)), QUrl()},
            m_scheduler);
        store.load();
        QTRY_VERIFY(!store.error().isEmpty());
    }

    void sampleGalleryShipsWithTheBuild()
    {
        const GalleryEndpoints shipped = galleryEndpoints();
        QCOMPARE(shipped.catalog.scheme(), "file");
        GalleryStore store(shipped, m_scheduler);
        store.load();
        QTRY_VERIFY(!store.isLoading());
        QVERIFY2(store.error().isEmpty(), qPrintable(shipped.catalog.toString()));
        QVERIFY(store.wallpapers().size() >= 4);
        for (const GalleryWallpaper &wallpaper : store.wallpapers()) {
            QCOMPARE(wallpaper.creditLine(), "Quintara \u00b7 CC0 1.0");
            QCOMPARE(QFileInfo(wallpaper.video.toLocalFile()).size(), wallpaper.bytes);
            QVERIFY(QFileInfo(wallpaper.poster.toLocalFile()).size() > 0);
        }
    }

    void whereTheGalleryLives_data()
    {
        QTest::addColumn<QStringList>("bases"); // environment and build: gallery, then stats
        QTest::addColumn<QString>("catalog");
        QTest::addColumn<QString>("stats");
        const QString sample = "file:///opt/q/gallery/catalog.json";
        QTest::newRow("nothing set") << QStringList{"", "", "", ""} << sample << "";
        QTest::newRow("build") << QStringList{"", "https://g.example/v1/", "", "https://s.example"}
                               << "https://g.example/v1/catalog.json"
                               << "https://s.example";
        QTest::newRow("environment wins")
            << QStringList{"http://127.0.0.1:8/", "https://g.example", "http://127.0.0.1:9", ""}
            << "http://127.0.0.1:8/catalog.json"
            << "http://127.0.0.1:9";
        QTest::newRow("unusable skipped")
            << QStringList{"ftp://g.example", "/srv/gallery", "file:///stats", "ftp://s"} << sample
            << "";
        QTest::newRow("file gallery")
            << QStringList{"file:///srv/g", "", "", ""} << "file:///srv/g/catalog.json"
            << "";
    }
    void whereTheGalleryLives()
    {
        QFETCH(QStringList, bases);
        QFETCH(QString, catalog);
        QFETCH(QString, stats);
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        const GalleryEndpoints resolved = resolveGalleryEndpoints(
            bases[0], bases[1], bases[2], bases[3], QUrl("file:///opt/q/gallery"));
        QCOMPARE(resolved.catalog.toString(), catalog);
        QCOMPARE(resolved.stats.toString(), stats);
        QCOMPARE(log.lines().isEmpty(), QTest::currentDataTag() != QString("unusable skipped"));
    }

    void links_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QStringList>("ids");
        QTest::addColumn<bool>("ours");
        QTest::newRow("ids") << "quintara://add?ids=aurora,lagoon"
                             << QStringList{"aurora", "lagoon"} << true;
        QTest::newRow("id") << "quintara://add?id=aurora" << QStringList{"aurora"} << true;
        QTest::newRow("empty pieces")
            << "quintara://add?ids=a,,b," << QStringList{"a", "b"} << true;
        QTest::newRow("not trimmed")
            << "quintara://add?ids=a,%20b" << QStringList{"a", " b"} << true;
        QTest::newRow("decoded first")
            << "quintara://add?ids=a%2Cb" << QStringList{"a", "b"} << true;
        QTest::newRow("first name wins")
            << "quintara://add?x=1&id=a&ids=b" << QStringList{"a"} << true;
        QTest::newRow("no query") << "quintara://add" << QStringList{} << true;
        QTest::newRow("no value") << "quintara://add?ids=" << QStringList{} << true;
        QTest::newRow("other host") << "quintara://remove?ids=a" << QStringList{} << false;
        QTest::newRow("other scheme") << "https://add?ids=a" << QStringList{} << false;
    }
    void links()
    {
        QFETCH(QString, link);
        QFETCH(QStringList, ids);
        QFETCH(bool, ours);
        const auto parsed = galleryLinkIds(QUrl(link));
        QCOMPARE(parsed.has_value(), ours);
        QCOMPARE(parsed.value_or(QStringList{}), ids);
    }
};

QUINTARA_TEST_MAIN(GalleryCatalogTest)
#include "tst_gallerycatalog.moc"
