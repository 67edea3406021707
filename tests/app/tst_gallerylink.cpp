#include "GalleryFixture.h"
#include "TestMain.h"
#include "TestMedia.h"

// `quintara 'quintara://add?id=…'` against a loopback gallery on a real X server: the link
// starts Quintara, which installs and shows the file; a second link reaches it running.
using namespace quintara::test;
using Response = LoopbackHttpServer::Response;

class GalleryLinkTest : public QObject {
    Q_OBJECT

    LoopbackHttpServer m_server;

private slots:
    void linksInstallAndShowWallpapers()
    {
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs an X server with a window manager (run under scripts/lib/test-session)");
        qputenv("QUINTARA_GALLERY_URL", m_server.url("/").toEncoded()); // for both processes
        QList<FixtureWallpaper> wallpapers;
        for (const QString id : {"testsrc2", "smptebars"}) {
            const QString video = testVideo({640, 360, 2.0, 30, id});
            wallpapers.append({id, id, {}, Response::file(video), QFileInfo(video).size()});
        }
        serveGallery(m_server, wallpapers);

        QProcess quintara, handOver;
        QByteArray said;
        const auto saw = [&](const QByteArray &line) {
            return (said += quintara.readAllStandardError()).contains(line);
        };
        quintara.start(qEnvironmentVariable("QUINTARA_BINARY"), {"quintara://add?id=testsrc2"});
        QTRY_VERIFY_WITH_TIMEOUT(saw("=testsrc2.mp4\n"), 30000); // the engine shows the file
        handOver.start(qEnvironmentVariable("QUINTARA_BINARY"), {"quintara://add?ids=smptebars"});
        QVERIFY(handOver.waitForFinished(20000) && handOver.exitCode() == 0);
        QTRY_VERIFY_WITH_TIMEOUT(saw("=smptebars.mp4\n"), 30000);
        for (const auto &wallpaper : wallpapers)
            QCOMPARE(
                QFileInfo(QDir::homePath() + "/Movies/Quintara/" + wallpaper.id + ".mp4").size(),
                wallpaper.bytes);
        QCOMPARE(m_server.requests("/catalog.json").size(), 1);
        quintara.terminate();
        QVERIFY(quintara.waitForFinished(10000));
    }
};

QUINTARA_TEST_MAIN(GalleryLinkTest)
#include "tst_gallerylink.moc"
