#include "Desktop.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "TestMedia.h"
#include "platform/linux/JsonFileStore.h"
#include "settings/AppSettings.h"

#include <QDeadlineTimer>
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
        // The middle of the screen, grabbed often: waits are in real time, however slow a grab.
        QRect middle(QPoint(), QGuiApplication::primaryScreen()->size() / 3);
        middle.moveCenter(QGuiApplication::primaryScreen()->geometry().center());
        const auto shot = [middle] { return screenshot(middle); };
        // The picture moves: it changes from one taken earlier.
        const auto moving = [&] {
            const QImage before = shot();
            return QTest::qWaitFor([&] { return changedShare(before, shot()) > 0.01; }, 20000);
        };
        // The picture stops: nothing in it changes for a second.
        const auto stopped = [&] {
            QImage last = shot();
            QDeadlineTimer quiet(1000);
            return QTest::qWaitFor(
                [&] {
                    const QImage now = shot();
                    if (changedShare(last, now) > 0)
                        quiet.setRemainingTime(1000);
                    last = now;
                    return quiet.hasExpired();
                },
                30000);
        };

        QuintaraProcess quintara({"--wallpaper", first});
        QVERIFY(quintara.waitForLog("=" + QFileInfo(first).fileName().toUtf8() + "\n"));
        QVERIFY(QTest::qWaitFor([&] { return test::litShare(shot()) > 0.5; }, 20000));
        QVERIFY(moving());

        // A second launch hands its file to the running instance and exits.
        QCOMPARE(QuintaraProcess({"--wallpaper", second}).finish(), 0);
        QVERIFY(quintara.waitForLog("=" + QFileInfo(second).fileName().toUtf8() + "\n"));
        QVERIFY(moving());

        // An undecodable file never fades in: the old picture stays (paused once its player is
        // retired) instead of turning black.
        QCOMPARE(QuintaraProcess({"--wallpaper", broken}).finish(), 0);
        QVERIFY(quintara.waitForLog("=broken.mp4\n"));
        QVERIFY(stopped());
        const QImage still = shot();
        QVERIFY(test::litShare(still) > 0.5);

        // A refused file leaves the running instance alone, and the picture still.
        QuintaraProcess refused({"--wallpaper", QDir::homePath() + "/missing.mp4"});
        QCOMPARE(refused.finish(), 2);
        QVERIFY(refused.log.contains("there is no such file"));
        QCOMPARE(changedShare(still, shot()), 0.0);
        quintara.terminate();
        QVERIFY(quintara.waitForFinished(10000));
    }
};

QUINTARA_TEST_MAIN(WallpaperCommandTest)
#include "tst_wallpapercommand.moc"
