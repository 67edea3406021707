#include "Desktop.h"
#include "FakePowerSources.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "app/AppDelegate.h"
#include "engine/player/RenderPath.h"
#include "platform/LogSink.h"

#include <QRegularExpression>

using namespace quintara;
using test::run;

// Plugging displays in and out of an Xorg dummy server: the application rebuilds its wallpaper
// windows, one per display, each covering its display.
namespace {

const bool renderPathChosen = (configureRenderPath(), true);

bool xrandr(const QStringList &arguments)
{
    QProcess process;
    process.start("xrandr", arguments);
    return process.waitForFinished(20000) && process.exitCode() == 0;
}

// Geometries of our wallpaper windows as the X server has them, "WxH+X+Y", sorted.
QStringList wallpaperGeometries()
{
    QStringList geometries;
    for (const QString &id : test::windowsTitled("^Quintara wallpaper", true)) {
        const QString info = run("xwininfo", {"-id", id});
        const auto field = [&](const QString &name) {
            return QRegularExpression(name + ":\\s+(-?\\d+)").match(info).captured(1);
        };
        geometries << QStringLiteral("%1x%2+%3+%4")
                          .arg(field("Width"), field("Height"), field("Absolute upper-left X"),
                               field("Absolute upper-left Y"));
    }
    geometries.sort();
    return geometries;
}

} // namespace

class WallpaperDisplaysTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (!qEnvironmentVariableIsSet("QUINTARA_IN_DUMMY_XORG"))
            QSKIP("needs the Xorg dummy server (tests/fixtures/with-dummy-xorg)");
        QVERIFY(xrandr({"--newmode", "800x600_q", "40.00", "800", "840", "968", "1056", "600",
                        "601", "605", "628", "+HSync", "+VSync"}));
        QVERIFY(xrandr({"--addmode", "DUMMY1", "800x600_q"}));
    }

    void pluggingRebuildsOneWindowPerDisplay()
    {
        test::MemoryStore store;
        test::VirtualScheduler scheduler;
        test::FakePowerSources power;
        AppDelegate delegate(store, scheduler, power.take());
        MemoryLogSink log;
        ScopedLogSink scope(&log);
        delegate.applicationDidFinishLaunching();
        // Display changes rebuild at the next turn of the (virtual) event loop.
        const auto geometries = [&] {
            scheduler.runPending();
            return wallpaperGeometries();
        };
        QTRY_COMPARE_WITH_TIMEOUT(geometries(), QStringList{"1024x768+0+0"}, 20000);

        QVERIFY(xrandr({"--output", "DUMMY1", "--mode", "800x600_q", "--right-of", "DUMMY0"}));
        QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::screens().size(), 2, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(geometries(), (QStringList{"1024x768+0+0", "800x600+1024+0"}),
                                  20000);
        QCOMPARE(delegate.wallpaperController().surfaceCount(), std::size_t(2));
        QTRY_VERIFY_WITH_TIMEOUT(log.lines().contains("Quintara: span=true, mode=fill, "
                                                      "DUMMY0=gradient, DUMMY1=gradient"),
                                 20000);

        // Rearranged: the second display above the first.
        QVERIFY(xrandr({"--output", "DUMMY1", "--above", "DUMMY0"}));
        QTRY_COMPARE_WITH_TIMEOUT(geometries(), (QStringList{"1024x768+0+600", "800x600+0+0"}),
                                  20000);

        QVERIFY(xrandr({"--output", "DUMMY1", "--off"}));
        QTRY_COMPARE_WITH_TIMEOUT(QGuiApplication::screens().size(), 1, 20000);
        QTRY_COMPARE_WITH_TIMEOUT(geometries(), QStringList{"1024x768+0+0"}, 20000);
        QCOMPARE(delegate.wallpaperController().surfaceCount(), std::size_t(1));
    }
};

QUINTARA_TEST_MAIN(WallpaperDisplaysTest)
#include "tst_wallpaperdisplays.moc"
