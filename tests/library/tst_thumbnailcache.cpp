#include "Rows.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "TestMedia.h"
#include "library/ThumbnailCache.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QProcess>
#include <optional>

using namespace quintara;

namespace {

test::VideoSpec spec(int width, int height, int rotation = 0)
{
    return {.width = width, .height = height, .seconds = 1.5, .fps = 4, .rotation = rotation};
}

// Asks the cache and waits for the answer; nothing when the callback never came.
std::optional<QImage> poster(ThumbnailCache &cache, const QUrl &url)
{
    std::optional<QImage> result;
    cache.image(url, nullptr, [&](const QImage &image) { result = image; });
    return QTest::qWaitFor([&] { return result.has_value(); }, 20000) ? result : std::nullopt;
}

// Mean absolute difference per channel of two images of one size, 0...255.
double difference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 255;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row)
        for (int column = 0; column < x.width(); ++column) {
            const QRgb p = x.pixel(column, row), q = y.pixel(column, row);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) +
                   std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * x.width() * x.height());
}

} // namespace

class ThumbnailCacheTest : public QObject {
    Q_OBJECT

private slots:
    void sizes_data()
    {
        const auto row = test::rows<std::tuple<test::VideoSpec, QSize>>();
        row("2160p fits the box", {spec(3840, 2160), QSize(640, 360)});
        row("portrait 1080 x 1920", {spec(1080, 1920), QSize(360, 640)});
        row("small is not enlarged", {spec(320, 180), QSize(320, 180)});
        row("rotated a quarter turn", {spec(320, 180, 90), QSize(180, 320)});
        row("turned upside down", {spec(320, 180, 180), QSize(320, 180)});
        row("large and rotated", {spec(1280, 720, 270), QSize(360, 640)});
    }
    void sizes()
    {
        const auto &[video, expected] = test::row<std::tuple<test::VideoSpec, QSize>>();
        ThumbnailCache cache;
        const auto image = poster(cache, QUrl::fromLocalFile(test::testVideo(video)));
        QVERIFY(image);
        QCOMPARE(image->size(), expected);
    }

    void rotatedVideosComeOutUpright_data()
    {
        QTest::addColumn<int>("rotation");
        QTest::newRow("90") << 90;
        QTest::newRow("270") << 270;
    }
    void rotatedVideosComeOutUpright()
    {
        QFETCH(int, rotation);
        const QString path = test::testVideo(spec(320, 180, rotation));
        // ffmpeg turns the first frame upright by the same display matrix.
        const QString reference = QDir::homePath() + QStringLiteral("/upright%1.png").arg(rotation);
        QCOMPARE(QProcess::execute("ffmpeg", {"-nostdin", "-loglevel", "error", "-y", "-i", path,
                                              "-frames:v", "1", reference}),
                 0);
        const QImage expected(reference);
        QCOMPARE(expected.size(), QSize(180, 320));
        ThumbnailCache cache;
        const auto image = poster(cache, QUrl::fromLocalFile(path));
        QVERIFY(image);
        const double upright = difference(*image, expected);
        const double wrongWay = difference(image->transformed(QTransform().rotate(180)), expected);
        QVERIFY2(upright < 12, qPrintable(QString::number(upright)));
        QVERIFY2(wrongWay > 3 * upright, qPrintable(QString::number(wrongWay)));
    }

    // A file that is no video gives no poster; once it is a video, its poster is kept.
    void aFileThatIsNoVideoThenOne_data()
    {
        QTest::addColumn<QByteArray>("contents"); // none: no file
        QTest::newRow("missing") << QByteArray();
        QTest::newRow("empty") << QByteArray("");
        QTest::newRow("text") << QByteArray("just some notes, not a movie\n");
        QTest::newRow("truncated header") << QByteArray("\0\0\0\x18"
                                                        "ftypmp42",
                                                        12);
        test::VideoSpec matroska = spec(320, 180);
        matroska.extension = "mkv";
        QFile other(test::testVideo(matroska)); // a video the library does not play, renamed
        QVERIFY(other.open(QIODevice::ReadOnly));
        QTest::newRow("another container") << other.readAll();
    }
    void aFileThatIsNoVideoThenOne()
    {
        QFETCH(QByteArray, contents);
        const QString path = test::freshFolder("later") + "/later.mp4";
        QVERIFY(contents.isNull() || test::writeFile(path, contents));
        ThumbnailCache cache;
        const QUrl url = QUrl::fromLocalFile(path);
        const auto none = poster(cache, url);
        QVERIFY(none && none->isNull());
        QVERIFY(!cache.contains(url));
        QCOMPARE(cache.storedBytes(), 0);

        QVERIFY(test::copyTestVideo(path, spec(320, 180)));
        const auto present = poster(cache, url);
        QCOMPARE(present.value_or(QImage()).size(), QSize(320, 180));
        QVERIFY(cache.contains(url));
        // A stored poster does not touch the file again: answered at once, from memory.
        QVERIFY(QFile::remove(path));
        std::optional<QImage> again;
        cache.image(url, nullptr, [&](const QImage &image) { again = image; });
        QCOMPARE(again.value_or(QImage()), *present);
    }

    void decodingNeverBlocksTheCaller()
    {
        ThumbnailCache cache;
        const QUrl url = QUrl::fromLocalFile(test::testVideo(spec(3840, 2160)));
        int calls = 0;
        QObject kept;
        auto *context = new QObject;
        cache.image(url, nullptr, [&](const QImage &image) { calls += image.isNull() ? 100 : 1; });
        cache.image(url, context, [&](const QImage &) { calls += 1000; });
        cache.image(url, &kept, [&](const QImage &image) { calls += image.isNull() ? 100 : 1; });
        QCOMPARE(calls, 0); // nothing answered before the frame is decoded
        delete context;     // its callback must not run
        QTRY_COMPARE(calls, 2);
        cache.waitForWorkers();
        QCoreApplication::processEvents();
        QCOMPARE(calls, 2);
    }

    // A fast scroll: tiles that went away before their turn cost no decoding. Queued work only
    // starts from the event loop, so the tiles go before any of it could.
    void workOfTilesThatWentAwayIsDropped()
    {
        QMutex mutex;
        QStringList decoded, answered;
        ThumbnailCache cache(ThumbnailCache::defaultByteLimit, [&](const QString &path) {
            const QMutexLocker lock(&mutex);
            decoded.append(path);
            return QImage(4, 4, QImage::Format_RGB32);
        });
        std::vector<std::unique_ptr<QObject>> tiles;
        for (const QString name : {"/a", "/b", "/c", "/d", "/e", "/f"}) {
            tiles.push_back(std::make_unique<QObject>());
            cache.image(QUrl::fromLocalFile(name), tiles.back().get(),
                        [&answered, name](const QImage &) { answered << name; });
        }
        for (int gone : {1, 2, 3, 5}) // "/b" among them, already being decoded
            tiles[gone].reset();
        QTRY_COMPARE(answered, (QStringList{"/a", "/e"}));
        cache.waitForWorkers();
        decoded.sort();
        QCOMPARE(decoded, (QStringList{"/a", "/b", "/e"}));
    }

    void theLeastRecentlyUsedPosterGoesFirst()
    {
        const qsizetype posterBytes = 320 * 180 * 4;
        ThumbnailCache cache(posterBytes * 5 / 2);
        QList<QUrl> urls;
        for (const char *name : {"a.mp4", "b.mp4", "c.mp4"}) {
            const QString path = QDir::homePath() + "/lru/" + name;
            QVERIFY(test::copyTestVideo(path, spec(320, 180)));
            urls.append(QUrl::fromLocalFile(path));
        }
        QVERIFY(poster(cache, urls[0]));
        QVERIFY(poster(cache, urls[1]));
        QCOMPARE(cache.storedBytes(), 2 * posterBytes);
        QVERIFY(poster(cache, urls[0])); // a is now the most recent
        QVERIFY(poster(cache, urls[2]));
        QVERIFY(cache.contains(urls[0]) && !cache.contains(urls[1]) && cache.contains(urls[2]));
        QVERIFY(cache.storedBytes() <= cache.byteLimit());
    }
};

QUINTARA_TEST_MAIN(ThumbnailCacheTest)
#include "tst_thumbnailcache.moc"
