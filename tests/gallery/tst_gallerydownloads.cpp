#include "GalleryFixture.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "gallery/GalleryStore.h"

#include <QDir>
#include <QFile>
#include <memory>

using namespace quintara;
using test::LoopbackHttpServer;
using Response = LoopbackHttpServer::Response;
using Result = GalleryStore::Result;

namespace {

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}

} // namespace

// Downloads into the library: only a complete, successful body replaces the file, progress
// stays within 0…1 and is published at a bounded rate, one download per entry at a time, and
// the statistics ping.
class GalleryDownloadsTest : public QObject {
    Q_OBJECT

    LoopbackHttpServer m_server;
    test::VirtualScheduler m_scheduler;
    std::unique_ptr<GalleryStore> m_store;
    QString m_folder;

    GalleryWallpaper entry(const QString &id, qint64 bytes = 11)
    {
        GalleryWallpaper wallpaper;
        wallpaper.id = id;
        wallpaper.title = id;
        wallpaper.video = m_server.url("/videos/" + id + ".mp4");
        wallpaper.bytes = bytes;
        return wallpaper;
    }
    // Everything in the folder, hidden files included.
    QStringList folderEntries() const
    {
        return QDir(m_folder).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }
    // Publishes what is pending and reads the entry's progress (-1 when absent).
    double published(const QString &id)
    {
        m_scheduler.advance(GalleryStore::progressInterval);
        return m_store->progress().value(id, -1);
    }

private slots:
    void init()
    {
        m_store = std::make_unique<GalleryStore>(
            GalleryEndpoints{m_server.url("/catalog.json"), m_server.url("/stats")}, m_scheduler);
        m_folder = QDir::homePath() + "/library";
        QDir(m_folder).removeRecursively();
        QDir().mkpath(m_folder);
        QFile old(m_folder + "/a.mp4");
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("old video");
        m_server.clearRequests();
    }

    void replacesTheInstalledFile()
    {
        m_server.route("/videos/a.mp4", Response::ok("new video"));
        QFile leftover(m_folder + "/.a.mp4.Xy12Zw.part"); // from a run killed mid-download
        QVERIFY(leftover.open(QIODevice::WriteOnly));
        std::optional<Result> result;
        m_store->download(entry("a"), QUrl::fromLocalFile(m_folder + "/"),
                          [&](const Result &r) { result = r; });
        QCOMPARE(m_store->progress().value("a", -1), 0.0);
        QTRY_VERIFY(result);
        QCOMPARE(result->file, QUrl::fromLocalFile(m_folder + "/a.mp4"));
        QCOMPARE(contents(m_folder + "/a.mp4"), "new video");
        QCOMPARE(folderEntries(), QStringList{"a.mp4"});
        QVERIFY(!m_store->progress().contains("a"));
        QVERIFY(QFile::permissions(m_folder + "/a.mp4").testFlag(QFile::ReadOther));
    }

    void failuresKeepTheInstalledFile_data()
    {
        QTest::addColumn<Response>("response");
        Response cut = Response::ok(QByteArray(300000, 'v'));
        cut.cutAt = 100000;
        Response status = Response::ok("<html>Server error</html>", "text/html");
        status.status = 500;
        QTest::newRow("404 page") << Response::notFoundPage();
        QTest::newRow("server error") << status;
        QTest::newRow("cut short") << cut;
    }
    void failuresKeepTheInstalledFile()
    {
        QFETCH(Response, response);
        m_server.route("/videos/a.mp4", response);
        std::optional<Result> result;
        m_store->download(entry("a"), QUrl::fromLocalFile(m_folder),
                          [&](const Result &r) { result = r; });
        QTRY_VERIFY(result);
        QVERIFY(!result->ok());
        QVERIFY(!result->error.isEmpty());
        QCOMPARE(contents(m_folder + "/a.mp4"), "old video");
        QCOMPARE(folderEntries(), QStringList{"a.mp4"});
        QVERIFY(m_store->progress().isEmpty());
    }

    void unwritableFolderFails()
    {
        std::optional<Result> result;
        m_store->download(entry("a"), QUrl::fromLocalFile(m_folder + "/missing"),
                          [&](const Result &r) { result = r; });
        QVERIFY(!result); // never from inside the call
        QTRY_VERIFY(result);
        QVERIFY(!result->ok());
        QVERIFY(m_server.requests().isEmpty());
    }

    void progress_data()
    {
        QTest::addColumn<int>("framing");
        QTest::addColumn<qint64>("catalogBytes");
        QTest::addColumn<double>("fraction"); // after 250 of 1000 bytes
        using F = LoopbackHttpServer::Framing;
        QTest::newRow("announced length") << int(F::contentLength) << qint64(10) << 0.25;
        QTest::newRow("catalog size") << int(F::untilClose) << qint64(500) << 0.5;
        QTest::newRow("catalog size too small") << int(F::chunked) << qint64(100) << 1.0;
    }
    void progress()
    {
        QFETCH(int, framing);
        QFETCH(qint64, catalogBytes);
        QFETCH(double, fraction);
        Response held = Response::ok(QByteArray(1000, 'v'));
        held.framing = LoopbackHttpServer::Framing(framing);
        held.holdAt = 250;
        m_server.route("/videos/b.mp4", held);
        QSignalSpy changes(m_store.get(), &GalleryStore::progressChanged);
        bool done = false;
        m_store->download(entry("b", catalogBytes), QUrl::fromLocalFile(m_folder),
                          [&](const Result &r) { done = r.ok(); });
        QTRY_COMPARE(published("b"), fraction);
        // The rest arrives in several pieces, published at most once per interval: with the
        // clock standing still, only the end of the download is published.
        const qsizetype before = changes.size();
        m_server.release("/videos/b.mp4");
        QTRY_VERIFY(done);
        QCOMPARE(changes.size(), before + 1);
        QVERIFY(!m_store->progress().contains("b"));
    }

    void secondDownloadJoinsTheFirst()
    {
        Response held = Response::ok("new video");
        held.holdAt = 3;
        m_server.route("/videos/a.mp4", held);
        QList<QUrl> results;
        const QUrl folder = QUrl::fromLocalFile(m_folder);
        m_store->download(entry("a"), folder, [&](const Result &r) { results.append(r.file); });
        m_store->download(entry("a"), folder, [&](const Result &r) { results.append(r.file); });
        QTRY_COMPARE(m_server.requests("/videos/a.mp4").size(), 1);
        m_server.release("/videos/a.mp4");
        QTRY_COMPARE(results.size(), 2);
        QCOMPARE(results[0], QUrl::fromLocalFile(m_folder + "/a.mp4"));
        QCOMPARE(results[1], results[0]);
        QCOMPARE(m_server.requests("/videos/a.mp4").size(), 1);
    }

    void quittingMidDownloadLeavesNoTrace()
    {
        Response held = Response::ok(QByteArray(200000, 'v'));
        held.holdAt = 100000;
        m_server.route("/videos/a.mp4", held);
        bool called = false;
        m_store->download(entry("a"), QUrl::fromLocalFile(m_folder),
                          [&](auto &) { called = true; });
        QTRY_COMPARE(published("a"), 0.5);
        m_store.reset();
        QCOMPARE(folderEntries(), QStringList{"a.mp4"});
        QCOMPARE(contents(m_folder + "/a.mp4"), "old video");
        QVERIFY(!called);
    }

    void statisticsPing()
    {
        m_server.route("/stats/download", Response::json("{}"));
        m_store->recordDownload(entry("abc"));
        QTRY_COMPARE(m_server.requests("/stats/download").size(), 1);
        const auto ping = m_server.requests("/stats/download").first();
        QCOMPARE(ping.method, "POST");
        QCOMPARE(ping.header("Content-Type"), "application/json");
        QCOMPARE(ping.body, R"({"ids":["abc"]})");
    }
};

QUINTARA_TEST_MAIN(GalleryDownloadsTest)
#include "tst_gallerydownloads.moc"
