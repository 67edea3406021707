#include "Desktop.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "TestMedia.h"
#include "platform/linux/JsonFileStore.h"
#include "settings/AppSettings.h"

#include <QDir>
#include <QFileInfo>

using namespace quintara;
using test::changedShare;
using test::QuintaraProcess;
using test::screenshot;

// `quintara --wallpaper FILE` as a person runs it, under a real X server, on a private session
// bus: the file plays on the desktop, a second launch hands its file over, and a file that cannot
// be decoded keeps the old picture.
class WallpaperCommandTest : public QObject {
    Q_OBJECT

private slots:
    void wallpaperPlaysAndIsHandedOver()
    {
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs an X server with a window manager (run under scripts/lib/test-session)");
        {
            // However warm this machine runs, nothing pauses the wallpaper.
            JsonFileStore store(JsonFileStore::defaultPath());
            AppSettings(store).setPauseWhenHot(false);
        }
        const QString first = test::testVideo({.width = 640, .height = 360, .seconds = 3.0});
        const QString second = test::testVideo(
            {.width = 640, .height = 360, .seconds = 3.0, .source = "testsrc", .extension = "mov"});
        const QString broken = QDir::homePath() + "/broken.mp4";
        QVERIFY(test::writeFile(broken, QByteArray(4096, 'x')));
        // The picture moves: it changes from one taken earlier.
        const auto moving = [] {
            const QImage before = screenshot();
            return QTest::qWaitFor([&] { return changedShare(before, screenshot()) > 0.01; },
                                   20000);
        };

        QuintaraProcess quintara({"--wallpaper", first});
        QVERIFY(quintara.waitForLog("=" + QFileInfo(first).fileName().toUtf8() + "\n"));
        QTRY_VERIFY_WITH_TIMEOUT(test::litShare(screenshot()) > 0.5, 20000);
        QVERIFY(moving());

        // A second launch hands its file to the running instance and exits.
        QCOMPARE(QuintaraProcess({"--wallpaper", second}).finish(), 0);
        QVERIFY(quintara.waitForLog("=" + QFileInfo(second).fileName().toUtf8() + "\n"));
        QVERIFY(moving());

        // An undecodable file never fades in: the old picture stays (paused once its player is
        // retired) instead of turning black.
        QCOMPARE(QuintaraProcess({"--wallpaper", broken}).finish(), 0);
        QVERIFY(quintara.waitForLog("=broken.mp4\n"));
        QTRY_VERIFY_WITH_TIMEOUT(changedShare(screenshot(), screenshot()) == 0.0, 20000);
        const QImage still = screenshot();
        QVERIFY(test::litShare(still) > 0.5);

        // A refused file leaves the running instance alone, and the picture still.
        QuintaraProcess refused({"--wallpaper", QDir::homePath() + "/missing.mp4"});
        QCOMPARE(refused.finish(), 2);
        QVERIFY(refused.log.contains("there is no such file"));
        QCOMPARE(changedShare(still, screenshot()), 0.0);
        quintara.terminate();
        QVERIFY(quintara.waitForFinished(10000));
    }
};

QUINTARA_TEST_MAIN(WallpaperCommandTest)
#include "tst_wallpapercommand.moc"
