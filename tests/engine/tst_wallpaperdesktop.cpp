#include "Desktop.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "TestMedia.h"
#include "VirtualScheduler.h"
#include "app/WallpaperEngine.h"
#include "engine/player/LoopingVideoView.h"
#include "engine/player/RenderPath.h"
#include "platform/LogSink.h"
#include "platform/linux/X11DesktopVisibility.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QQmlEngine>
#include <QQuickWindow>
#include <QRegularExpression>
#include <QScreen>
#include <QSignalSpy>
#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

using namespace quintara;
using namespace std::chrono_literals;
using test::run;

// The real engine under a real X server with openbox: window placement, click-through and the
// pause of a covered desktop.
namespace {

const bool renderPathChosen = (configureRenderPath(), true);

QStringList wallpaperWindows()
{
    return test::windowsTitled("^Quintara wallpaper");
}

struct Desktop {
    test::MemoryStore store;
    AppSettings settings{store};
    test::VirtualScheduler scheduler;
    MemoryLogSink log;
    ScopedLogSink scope{&log};
    QQmlEngine qml;
    std::unique_ptr<WallpaperEngine> engine = makeDesktopWallpaperEngine(settings, scheduler, qml);
    WallpaperController &controller = engine->controller();
};

} // namespace

class WallpaperDesktopTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs an X server with a window manager (run under scripts/lib/test-session)");
    }

    void windowsSitOnTheDesktop()
    {
        Desktop d;
        d.controller.rebuild();
        const QRect screen = QGuiApplication::primaryScreen()->geometry();
        QTRY_COMPARE_WITH_TIMEOUT(wallpaperWindows().size(), 1, 10000);
        const QString id = wallpaperWindows().first();
        const QString props = run("xprop", {"-id", id, "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE",
                                            "_NET_WM_DESKTOP", "WM_HINTS"});
        for (const char *expected :
             {"_NET_WM_WINDOW_TYPE_DESKTOP", "_NET_WM_STATE_BELOW", "_NET_WM_STATE_SKIP_TASKBAR",
              "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_DESKTOP(CARDINAL) = 4294967295",
              "accepts input or input focus: False"})
            QVERIFY2(props.contains(expected), qPrintable(props));
        QTRY_VERIFY_WITH_TIMEOUT(
            run("xdotool", {"getwindowgeometry", id})
                .contains(
                    QStringLiteral("Geometry: %1x%2").arg(screen.width()).arg(screen.height())),
            10000);

        // No wallpaper chosen: the animated gradient fills the screen.
        QTRY_VERIFY_WITH_TIMEOUT(test::litShare(test::screenshot(), {}, 8) > 0.95, 10000);

        // Clicks go through: the pointer over the wallpaper is over the root window, once the
        // window manager's frame has taken the wallpaper's empty input region.
        run("xdotool", {"mousemove", QString::number(screen.center().x()),
                        QString::number(screen.center().y())});
        const auto match =
            QRegularExpression("Window id: (0x[0-9a-f]+)").match(run("xwininfo", {"-root"}));
        QVERIFY(match.hasMatch());
        const QString root = "WINDOW=" + QString::number(match.captured(1).toUInt(nullptr, 16));
        QTRY_VERIFY_WITH_TIMEOUT(
            run("xdotool", {"getmouselocation", "--shell"}).contains(root + "\n"), 10000);

        // A rebuild replaces the window; nothing is left of the old one.
        d.controller.rebuild();
        const auto replaced = [&] {
            const QStringList windows = wallpaperWindows();
            return windows.size() == 1 && windows.first() != id;
        };
        QTRY_VERIFY_WITH_TIMEOUT(replaced(), 10000);
    }

    // News that reaches the observer while it waits for a reply is still told: windows mapped
    // in a burst, one maximised, are noticed with no further X traffic. (Waiting on xprop keeps
    // the event loop, and so the observer's socket, still.)
    void eventsArrivingDuringARoundTripAreNotLost()
    {
        X11DesktopVisibility observer;
        QSignalSpy changes(&observer, &DesktopVisibility::mayHaveChanged);
        QQuickWindow small, large;
        small.show();
        large.showMaximized();
        xcb_flush(qGuiApp->nativeInterface<QNativeInterface::QX11Application>()->connection());
        const QString active = "# 0x" + QString::number(large.winId(), 16);
        for (QDeadlineTimer wait(10000); !wait.hasExpired();)
            if (run("xprop", {"-root", "_NET_ACTIVE_WINDOW"}).contains(active))
                break;
        QVERIFY(!observer.anyPartVisible(QGuiApplication::primaryScreen()->geometry()));
        QVERIFY(changes.isEmpty());
        QTRY_VERIFY_WITH_TIMEOUT(!changes.isEmpty(), 5000);
    }

    // A preview in the app's own window pauses while another window covers it entirely, by the
    // engine's reckoning, and plays on once uncovered.
    void aCoveredPreviewPauses()
    {
        Desktop d;
        QQuickWindow below, above;
        auto *view = new LoopingVideoView(below.contentItem());
        view->setUrl(QUrl::fromLocalFile(test::testVideo()));
        below.show();
        QTRY_VERIFY_WITH_TIMEOUT(view->isPlaying(), 10000);
        above.showMaximized();
        QTRY_VERIFY_WITH_TIMEOUT(!view->isPlaying(), 10000);
        above.showMinimized();
        QTRY_VERIFY_WITH_TIMEOUT(view->isPlaying(), 10000);
    }

    void maximisedWindowPausesTheCoveredDisplay()
    {
        Desktop d;
        d.settings.setCurrentVideo(QUrl::fromLocalFile(test::testVideo()));
        d.controller.rebuild();
        d.scheduler.advance(1s);
        QCOMPARE(d.controller.pauseReason(), OptionalPauseReason());
        // What the engine sees, on a connection of its own and in device pixels.
        const QScreen *display = QGuiApplication::primaryScreen();
        const QRect screen({}, display->size() * display->devicePixelRatio());
        X11DesktopVisibility observer;
        QVERIFY(observer.isConnected());
        QVERIFY(observer.anyPartVisible(screen));

        // A window over a quarter of the display leaves it playing, whatever Qt's scale.
        auto cover = std::make_unique<QQuickWindow>();
        cover->setTitle("cover");
        cover->setColor(Qt::darkGreen);
        cover->setGeometry({{0, 0}, display->size() / 2});
        cover->show();
        QTRY_VERIFY_WITH_TIMEOUT(cover->isExposed() && d.scheduler.pendingCount() > 0, 10000);
        QVERIFY(QTest::qWaitFor(
            [&] { return d.scheduler.advance(300ms), !d.scheduler.pendingCount(); }));
        QCOMPARE(d.controller.pauseReason(), OptionalPauseReason());
        cover->showMaximized();
        QTRY_VERIFY_WITH_TIMEOUT(!observer.anyPartVisible(screen), 10000);
        // The engine checks 0.3 s after the last change it heard of.
        QTRY_VERIFY_WITH_TIMEOUT(d.scheduler.pendingCount() > 0 &&
                                     d.controller.pauseReason() == OptionalPauseReason(),
                                 10000);
        d.scheduler.advance(299ms);
        QCOMPARE(d.controller.pauseReason(), OptionalPauseReason());
        d.scheduler.advance(1ms);
        QCOMPARE(d.controller.pauseReason(), OptionalPauseReason(PauseReason::hidden));
        const QString name = QGuiApplication::primaryScreen()->name();
        QVERIFY(d.log.lines().contains("Quintara: " + name + " hidden — pausing"));

        cover->showMinimized();
        QTRY_VERIFY_WITH_TIMEOUT(observer.anyPartVisible(screen), 10000);
        QTRY_VERIFY_WITH_TIMEOUT(
            [&] {
                d.scheduler.advance(300ms);
                return d.controller.pauseReason() == OptionalPauseReason();
            }(),
            10000);
        QVERIFY(d.log.lines().contains("Quintara: " + name + " visible — resuming"));
    }
};

QUINTARA_TEST_MAIN(WallpaperDesktopTest)
#include "tst_wallpaperdesktop.moc"
