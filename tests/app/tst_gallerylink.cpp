#include "GalleryFixture.h"
#include "TestMain.h"
#include "TestMedia.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>

using quintara::test::LoopbackHttpServer;

// `quintara 'quintara://add?id=…'` as a web page hands it over, against a loopback gallery,
// under a real X server on a private session bus: the link starts Quintara, whose library gains
// the file and whose wallpaper becomes it; a second link reaches the running instance.
class GalleryLinkTest : public QObject {
    Q_OBJECT

    LoopbackHttpServer m_server;
    QProcess m_bus;
    QString m_address;
    QByteArray m_seen;

    void start(QProcess &process, const QString &link)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("DBUS_SESSION_BUS_ADDRESS", m_address);
        env.insert("QUINTARA_GALLERY_URL", m_server.url("/").toString());
        env.remove("QUINTARA_STATS_URL");
        process.setProcessEnvironment(env);
        process.start(qEnvironmentVariable("QUINTARA_BINARY"), {link});
        QVERIFY(process.waitForStarted(10000));
    }
    bool sawLine(QProcess &process, const QByteArray &line)
    {
        m_seen += process.readAllStandardError();
        return m_seen.contains(line);
    }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs an X server with a window manager (run under scripts/lib/test-session)");
        m_bus.start("dbus-daemon", {"--session", "--nofork", "--print-address"});
        QVERIFY(m_bus.waitForStarted(10000));
        QVERIFY(m_bus.waitForReadyRead(10000));
        m_address = QString::fromUtf8(m_bus.readLine()).trimmed();
    }
    void cleanupTestCase()
    {
        m_bus.kill();
        m_bus.waitForFinished();
    }

    void linkInstallsAndShowsTheWallpaper()
    {
        QList<quintara::test::FixtureWallpaper> wallpapers;
        for (const QString source : {"testsrc2", "smptebars"}) {
            const QString video = quintara::test::testVideo({640, 360, 2.0, 30, source});
            wallpapers.append({source,
                               source,
                               {"Test"},
                               LoopbackHttpServer::Response::file(video),
                               QFileInfo(video).size()});
        }
        quintara::test::serveGallery(m_server, wallpapers);
        const QString library = QDir::homePath() + "/Movies/Quintara/";

        QProcess quintara;
        start(quintara, "quintara://add?id=testsrc2");
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo(library + "testsrc2.mp4").size() == wallpapers[0].bytes,
                                 30000);
        QTRY_VERIFY_WITH_TIMEOUT(sawLine(quintara, "=testsrc2.mp4\n"), 30000);

        QProcess handOver;
        start(handOver, "quintara://add?ids=smptebars");
        QVERIFY(handOver.waitForFinished(20000));
        QCOMPARE(handOver.exitCode(), 0);
        QTRY_VERIFY_WITH_TIMEOUT(sawLine(quintara, "=smptebars.mp4\n"), 30000);
        QCOMPARE(QFileInfo(library + "smptebars.mp4").size(), wallpapers[1].bytes);
        QCOMPARE(QDir(library).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 (QStringList{"categories.json", "smptebars.mp4", "testsrc2.mp4"}));
        QCOMPARE(m_server.requests("/catalog.json").size(), 1);

        quintara.terminate();
        QVERIFY(quintara.waitForFinished(10000));
    }
};

QUINTARA_TEST_MAIN(GalleryLinkTest)
#include "tst_gallerylink.moc"
