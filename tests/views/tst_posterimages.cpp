#include "Rows.h"
#include "TestMain.h"
#include "TestMedia.h"
#include "library/ThumbnailCache.h"
#include "views/PosterImageProvider.h"

#include <QQmlComponent>
#include <QQmlEngine>
#include <memory>

using namespace quintara;

class PosterImagesTest : public QObject {
    Q_OBJECT

private slots:
    void postersCoverTheSizeAskedFor_data()
    {
        const auto row = test::rows<std::tuple<QSize, QSize>>();
        row("as taken", {QSize(), QSize(320, 180)});
        row("a square tile", {QSize(160, 160), QSize(284, 160)});
        row("a width alone", {QSize(80, 0), QSize(80, 45)});
        row("never enlarged", {QSize(1280, 720), QSize(320, 180)});
    }
    void postersCoverTheSizeAskedFor()
    {
        const auto &[requested, expected] = test::row<std::tuple<QSize, QSize>>();
        ThumbnailCache cache;
        PosterImageProvider provider(cache);
        const QUrl video = QUrl::fromLocalFile(test::testVideo());
        std::unique_ptr<QQuickImageResponse> response(provider.requestImageResponse(
            ThumbnailCache::posterSource(video).path().mid(1), requested));
        QSignalSpy finished(response.get(), &QQuickImageResponse::finished);
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 20000);
        std::unique_ptr<QQuickTextureFactory> texture(response->textureFactory());
        QVERIFY(texture);
        QCOMPARE(texture->image().size(), expected);
    }

    void aFileWithoutAPosterShowsNothingQuietly()
    {
        QFile notAVideo(QDir::homePath() + "/notes.mp4");
        QVERIFY(notAVideo.open(QIODevice::WriteOnly));
        notAVideo.write("not a video");
        notAVideo.close();
        ThumbnailCache cache;
        QQmlEngine engine;
        engine.addImageProvider(ThumbnailCache::posterProviderId, new PosterImageProvider(cache));
        QQmlComponent component(&engine);
        component.setData("import QtQuick\nImage { asynchronous: true }", QUrl());
        std::unique_ptr<QObject> image(component.create());
        QVERIFY(image);
        QTest::failOnWarning(QRegularExpression(".*"));
        image->setProperty("source",
                           ThumbnailCache::posterSource(QUrl::fromLocalFile(notAVideo.fileName())));
        QTRY_COMPARE_WITH_TIMEOUT(image->property("status").toInt(), 1, 20000); // Image.Ready
        QCOMPARE(image->property("implicitWidth").toInt(), 0);
    }

    // A request dropped before its turn costs no decoding.
    void aDroppedRequestIsAnsweredNowhere()
    {
        ThumbnailCache cache;
        PosterImageProvider provider(cache);
        const QUrl video = QUrl::fromLocalFile(test::testVideo());
        const QString id = ThumbnailCache::posterSource(video).path().mid(1);
        delete provider.requestImageResponse(id, QSize());
        QCoreApplication::processEvents();
        cache.waitForWorkers();
        QCoreApplication::processEvents();
        QVERIFY(!cache.contains(video));
        std::unique_ptr<QQuickImageResponse> first(provider.requestImageResponse(id, QSize()));
        QTRY_VERIFY_WITH_TIMEOUT(cache.contains(video), 20000);
        // A stored poster is handed over later too, never inside the request.
        std::unique_ptr<QQuickImageResponse> response(provider.requestImageResponse(id, QSize()));
        QSignalSpy finished(response.get(), &QQuickImageResponse::finished);
        QCOMPARE(finished.count(), 0);
        QTRY_COMPARE(finished.count(), 1);
    }
};

QUINTARA_TEST_MAIN(PosterImagesTest)
#include "tst_posterimages.moc"
