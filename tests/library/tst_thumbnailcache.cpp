#include "TestMain.h"
#include "TestMedia.h"
#include "library/ThumbnailCache.h"

#include <QDir>
#include <QFile>
#include <QMutex>
#include <QProcess>
#include <optional>

using namespace quintara;
using test::VideoSpec;

namespace {

VideoSpec spec(int width, int height, int rotation = 0)
{
    VideoSpec video;
    video.width = width;
    video.height = height;
    video.seconds = 1.5;
    video.fps = 4;
    video.rotation = rotation;
    return video;
}

// Asks the cache and waits for the answer; nothing when the callback never came.
std::optional<QImage> poster(ThumbnailCache &cache, const QUrl &url)
{
    std::optional<QImage> result;
    cache.image(url, nullptr, [&](const QImage &image) { result = image; });
    if (!QTest::qWaitFor([&] { return result.has_value(); }, 20000))
        return std::nullopt;
    return result;
}

// Mean absolute difference per channel of two images of one size, 0...255.
double difference(const QImage &a, const QImage &b)
{
    if (a.size() != b.size())
        return 255;
    const QImage x = a.convertToFormat(QImage::Format_RGB32);
    const QImage y = b.convertToFormat(QImage::Format_RGB32);
    double sum = 0;
    for (int row = 0; row < x.height(); ++row) {
        const QRgb *p = reinterpret_cast<const QRgb *>(x.constScanLine(row));
        const QRgb *q = reinterpret_cast<const QRgb *>(y.constScanLine(row));
        for (int column = 0; column < x.width(); ++column)
            sum += std::abs(qRed(p[column]) - qRed(q[column])) +
                   std::abs(qGreen(p[column]) - qGreen(q[column])) +
                   std::abs(qBlue(p[column]) - qBlue(q[column]));
    }
    return sum / (3.0 * x.width() * x.height());
}

} // namespace

class ThumbnailCacheTest : public QObject {
    Q_OBJECT

private slots:
    void sizes_data()
    {
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("height");
        QTest::addColumn<int>("rotation");
        QTest::addColumn<QSize>("expected");
        QTest::newRow("2160p fits the box") << 3840 << 2160 << 0 << QSize(640, 360);
        QTest::newRow("portrait 1080 x 1920") << 1080 << 1920 << 0 << QSize(360, 640);
        QTest::newRow("small is not enlarged") << 320 << 180 << 0 << QSize(320, 180);
        QTest::newRow("rotated a quarter turn") << 320 << 180 << 90 << QSize(180, 320);
        QTest::newRow("turned upside down") << 320 << 180 << 180 << QSize(320, 180);
        QTest::newRow("large and rotated") << 1280 << 720 << 270 << QSize(360, 640);
    }
    void sizes()
    {
        QFETCH(int, width);
        QFETCH(int, height);
        QFETCH(int, rotation);
        QFETCH(QSize, expected);
        ThumbnailCache cache;
        const auto image =
            poster(cache, QUrl::fromLocalFile(test::testVideo(spec(width, height, rotation))));
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

    void storedPostersDoNotTouchTheFileAgain()
    {
        const QString path = QDir::homePath() + "/kept.mp4";
        QVERIFY(test::copyTestVideo(path, spec(320, 180)));
        ThumbnailCache cache;
        const QUrl url = QUrl::fromLocalFile(path);
        const auto first = poster(cache, url);
        QVERIFY(first && !first->isNull());
        QVERIFY(cache.contains(url));

        QVERIFY(QFile::remove(path));
        bool answered = false;
        cache.image(url, nullptr, [&](const QImage &image) {
            answered = true;
            QCOMPARE(image, *first);
        });
        QVERIFY(answered); // at once, from memory
    }

    void aMissingFileThenPresent()
    {
        const QString path = QDir::homePath() + "/later.mp4";
        QFile::remove(path);
        ThumbnailCache cache;
        const QUrl url = QUrl::fromLocalFile(path);
        const auto missing = poster(cache, url);
        QVERIFY(missing);
        QVERIFY(missing->isNull());
        QVERIFY(!cache.contains(url));
        QCOMPARE(cache.storedBytes(), 0);

        QVERIFY(test::copyTestVideo(path, spec(320, 180)));
        const auto present = poster(cache, url);
        QVERIFY(present);
        QCOMPARE(present->size(), QSize(320, 180));
        QVERIFY(cache.contains(url));
    }

    void filesThatAreNoVideo_data()
    {
        QTest::addColumn<QByteArray>("contents");
        QTest::newRow("empty") << QByteArray();
        QTest::newRow("text") << QByteArray("just some notes, not a movie\n");
        QTest::newRow("truncated header") << QByteArray("\x00\x00\x00\x18"
                                                        "ftypmp42",
                                                        12);
        VideoSpec matroska = spec(320, 180);
        matroska.extension = "mkv";
        QFile other(test::testVideo(matroska)); // a video the library does not play, renamed
        QVERIFY(other.open(QIODevice::ReadOnly));
        QTest::newRow("another container") << other.readAll();
    }
    void filesThatAreNoVideo()
    {
        QFETCH(QByteArray, contents);
        const QString path = QDir::homePath() + "/fake.mp4";
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(contents);
        file.close();
        ThumbnailCache cache;
        const auto image = poster(cache, QUrl::fromLocalFile(path));
        QVERIFY(image);
        QVERIFY(image->isNull());
        QVERIFY(!cache.contains(QUrl::fromLocalFile(path)));
    }

    void decodingNeverBlocksTheCaller()
    {
        ThumbnailCache cache;
        const QUrl url = QUrl::fromLocalFile(test::testVideo(spec(3840, 2160)));
        int calls = 0;
        QObject gone;
        auto *context = new QObject;
        cache.image(url, nullptr, [&](const QImage &image) { calls += image.isNull() ? 100 : 1; });
        cache.image(url, context, [&](const QImage &) { calls += 1000; });
        cache.image(url, &gone, [&](const QImage &image) { calls += image.isNull() ? 100 : 1; });
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
        QVERIFY(cache.contains(urls[0]));
        QVERIFY(!cache.contains(urls[1]));
        QVERIFY(cache.contains(urls[2]));
        QVERIFY(cache.storedBytes() <= cache.byteLimit());
    }
};

QUINTARA_TEST_MAIN(ThumbnailCacheTest)
#include "tst_thumbnailcache.moc"
