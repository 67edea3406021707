#include "Desktop.h"
#include "IslandScenes.h"
#include "ManualAnimationDriver.h"
#include "Rows.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "app/ViewEngine.h"
#include "engine/player/RenderPath.h"
#include "island/DynamicIslandController.h"
#include "library/ThumbnailCache.h"
#include "platform/linux/X11IslandWindow.h"
#include "platform/linux/X11PointerMonitor.h"

#include <QPainter>
#include <QQuickWindow>
#include <QRasterWindow>
#include <QScreen>

using namespace quintara;
using namespace std::chrono_literals;

// The island's window on a real X server with openbox and no compositor: its place among the
// windows, clicks passing through it, the pointer expanding it, and what it draws.
namespace {

const QColor desktopColour(255, 0, 255);

// A plain window under the island that keeps the clicks it receives. It leaves the bottom row of
// the screen uncovered, or the window manager would count it as full-screen.
class Underneath final : public QRasterWindow {
public:
    Underneath()
    {
        setFlags(Qt::Window | Qt::FramelessWindowHint);
        setGeometry(QGuiApplication::primaryScreen()->geometry().adjusted(0, 0, 0, -1));
    }
    QList<QPoint> clicks;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter(this).fillRect(QRect(QPoint(), size()), desktopColour);
    }
    void mousePressEvent(QMouseEvent *event) override
    {
        clicks << event->globalPosition().toPoint();
    }
};

struct Island {
    test::MemoryStore store;
    AppSettings settings{store};
    test::VirtualScheduler scheduler;
    ViewEngine views{settings, ThumbnailCache::shared()};
    DynamicIslandController controller{settings, scheduler, services(), &views.engine()};

    static IslandServices services()
    {
        IslandServices services;
        services.window = std::make_unique<X11IslandWindow>();
        services.pointer = std::make_unique<X11PointerMonitor>();
        services.chatQueue = std::make_unique<InlineWorkQueue>();
        return services;
    }
    QString mode() { return controller.model().modeName(); }
    QQuickWindow &window() { return controller.window(); }
    bool show()
    {
        controller.setShown(true);
        return QTest::qWaitForWindowExposed(&window());
    }
};

QPoint topCentre(int y)
{
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    return {screen.left() + screen.width() / 2, y};
}

} // namespace

class IslandWindowTest : public QObject {
    Q_OBJECT

    std::unique_ptr<Underneath> m_underneath;
    std::unique_ptr<test::ManualAnimationDriver> m_animations;

    // Runs the island's motion to its end and waits for the frame that shows it.
    void settle(QQuickWindow &window)
    {
        // The animations start the clock a turn or two of the event loop after they begin.
        QTRY_VERIFY(m_animations->isRunning());
        for (int step = 0; step < 200; ++step) {
            QCoreApplication::processEvents();
            m_animations->advanceBy(16);
        }
        QSignalSpy frames(&window, &QQuickWindow::frameSwapped);
        window.update();
        QVERIFY(frames.wait(10000));
    }

    // What the screen shows where the island's window is; saved as `name` when asked for.
    static QImage grab(QQuickWindow &window, const QString &name)
    {
        const QRect frame = window.geometry();
        const QImage shot = QGuiApplication::primaryScreen()
                                ->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height())
                                .toImage();
        const QString shots = qEnvironmentVariable("QUINTARA_SCREENSHOTS");
        if (!shots.isEmpty())
            shot.save(shots + "/island " + name + ".png");
        return shot;
    }

    // Clicks at `position` and waits until the window underneath has it.
    bool clickReachesUnderneath(QPoint position)
    {
        m_underneath->clicks.clear();
        test::pointerTo(position, true);
        return QTest::qWaitFor([&] { return m_underneath->clicks.contains(position); }, 10000);
    }

private slots:
    void init() { QTest::failOnWarning(QRegularExpression(".")); }
    void initTestCase()
    {
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs an X server with a window manager (run under scripts/lib/test-session)");
        configureRenderPath(); // windows render on this thread, on the animation clock below
        m_animations = std::make_unique<test::ManualAnimationDriver>();
        m_underneath = std::make_unique<Underneath>();
        m_underneath->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_underneath.get()));
    }

    void windowSitsAboveEverythingOnEveryWorkspace()
    {
        Island island;
        island.controller.setShown(true);
        const QString id = QString::number(island.window().winId());
        // The window manager applies the states some time after the window maps.
        const QStringList expected{"_NET_WM_WINDOW_TYPE_NOTIFICATION",
                                   "_NET_WM_STATE_ABOVE",
                                   "_NET_WM_STATE_SKIP_TASKBAR",
                                   "_NET_WM_STATE_SKIP_PAGER",
                                   "_NET_WM_DESKTOP(CARDINAL) = 4294967295",
                                   "accepts input or input focus: False"};
        QString props;
        const auto applied = [&] {
            props = test::run("xprop", {"-id", id, "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE",
                                        "_NET_WM_DESKTOP", "WM_HINTS"});
            return std::all_of(expected.cbegin(), expected.cend(),
                               [&](const QString &e) { return props.contains(e); });
        };
        QTRY_VERIFY2_WITH_TIMEOUT(applied(), qPrintable(props), 10000);
        const QString geometry = test::run("xwininfo", {"-id", id});
        const int left = topCentre(0).x() - 280;
        QVERIFY2(geometry.contains(QStringLiteral("Absolute upper-left X:  %1\n").arg(left)) &&
                     geometry.contains("Absolute upper-left Y:  0\n") &&
                     geometry.contains("Width: 560\n") && geometry.contains("Height: 420\n"),
                 qPrintable(geometry));
    }

    // A top panel's strut is the island's menu bar.
    void topPanelSetsTheMenuBarHeight()
    {
        Island island;
        QCOMPARE(island.controller.model().geometry().menuBarHeight, 0.0);
        auto panel = std::make_unique<QRasterWindow>();
        panel->setGeometry(0, 0, 200, 28);
        panel->show();
        QVERIFY(QTest::qWaitForWindowExposed(panel.get()));
        test::run("xprop", {"-id", QString::number(panel->winId()), "-f", "_NET_WM_STRUT_PARTIAL",
                            "32c", "-set", "_NET_WM_STRUT_PARTIAL", "0,0,28,0,0,0,0,0,0,199,0,0"});
        QTRY_COMPARE_WITH_TIMEOUT(island.controller.model().geometry().menuBarHeight, 28.0, 10000);
        panel.reset();
        QTRY_COMPARE_WITH_TIMEOUT(island.controller.model().geometry().menuBarHeight, 0.0, 10000);
    }

    // The pointer expands the island, even one that shows nothing from the strip at the top.
    // Clicks pass through the window except over the island while the pointer is there, where
    // they reach its buttons.
    void pointerExpandsAndClicksPassUnlessHovered()
    {
        Island island;
        QVERIFY(island.show());
        QCOMPARE(island.controller.model().size(), QSizeF(0, 0));
        test::pointerTo(topCentre(600));
        test::pointerTo(topCentre(1) + QPoint(118, 0));
        QTRY_COMPARE_WITH_TIMEOUT(island.mode(), "expanded", 10000);
        test::pointerTo(topCentre(600));
        QTRY_COMPARE_WITH_TIMEOUT(island.mode(), "resting", 10000);

        test::stageIsland(island.controller, island.scheduler, "resting with an activity");
        QSignalSpy shuffles(&island.controller.model(), &IslandModel::shuffleRequested);

        QVERIFY(clickReachesUnderneath(topCentre(200)));
        QCOMPARE(island.mode(), "resting");
        test::pointerTo(topCentre(12));
        QTRY_COMPARE_WITH_TIMEOUT(island.mode(), "expanded", 10000);
        settle(island.window());
        auto *shuffle = island.controller.view()->findChild<QQuickItem *>("shuffleButton");
        QVERIFY(shuffle);
        const QPointF centre(shuffle->width() / 2, shuffle->height() / 2);
        m_underneath->clicks.clear();
        test::pointerTo(shuffle->mapToGlobal(centre).toPoint(), true);
        QTRY_COMPARE_WITH_TIMEOUT(shuffles.count(), 1, 10000);
        QVERIFY(m_underneath->clicks.isEmpty());
        test::pointerTo(topCentre(600));
        QTRY_COMPARE_WITH_TIMEOUT(island.mode(), "resting", 10000);
        QVERIFY(clickReachesUnderneath(topCentre(200)));
        // Hidden, it neither expands nor takes the clicks over it.
        island.controller.setShown(false);
        QVERIFY(clickReachesUnderneath(topCentre(2)));
        QCOMPARE(island.mode(), "resting");
    }

    // The speed menu and a tooltip are drawn whole where they reach beyond the pill; the menu
    // checks the current speed, closes on a press elsewhere and sets the speed picked.
    void speedMenuAndTooltipReachBeyondThePill()
    {
        Island island;
        island.settings.setCurrentVideo(QUrl::fromLocalFile("/v/ocean.mp4"));
        island.settings.setSpeed(0.75, island.settings.currentVideo());
        QVERIFY(island.show());
        test::pointerTo(topCentre(12));
        test::stageIsland(island.controller, island.scheduler, test::islandScenes.last());
        settle(island.window());
        QQuickItem &view = *island.controller.view();
        auto *speed = view.findChild<QQuickItem *>("speedButton");
        const QPoint onSpeed = speed->mapToGlobal(QPointF(22, 15)).toPoint();
        const double pillRight = view.property("pillRect").toRectF().right();
        const auto drawnBeyondThePill = [&](const QString &shot, const char *rect) {
            const QRect floating = view.property(rect).toRectF().toAlignedRect();
            const QRect beyond = floating.adjusted(int(pillRight) + 2 - floating.left(), 0, -2, 0);
            const QImage image = grab(island.window(), shot);
            return beyond.width() > 4 &&
                   test::drawnBounds(image, beyond, desktopColour.rgb()).width() == beyond.width();
        };

        test::pointerTo(onSpeed);
        settle(island.window());
        QVERIFY(drawnBeyondThePill("speed tooltip", "tipRect"));

        test::pointerTo(onSpeed, true);
        QTRY_VERIFY_WITH_TIMEOUT(view.property("menuOpen").toBool(), 10000);
        settle(island.window());
        QVERIFY(drawnBeyondThePill("speed menu", "menuRect"));
        QVERIFY(view.property("tipRect").toRectF().isEmpty());
        auto *menu = view.findChild<QQuickItem *>("speedMenu");
        QCOMPARE(menu->property("titles").toStringList().value(menu->property("current").toInt()),
                 "0.75\u00d7");
        test::pointerTo(onSpeed - QPoint(200, 0), true);
        QTRY_VERIFY_WITH_TIMEOUT(!view.property("menuOpen").toBool(), 10000);

        test::pointerTo(onSpeed, true);
        QTRY_VERIFY_WITH_TIMEOUT(view.property("menuOpen").toBool(), 10000);
        const QRectF rows = view.property("menuRect").toRectF().adjusted(1, 1, -2, -2);
        const QPointF second(rows.center().x(), rows.top() + rows.height() * 1.5 / 6);
        test::pointerTo(island.window().mapToGlobal(second.toPoint()), true);
        QTRY_COMPARE_WITH_TIMEOUT(island.settings.speed(island.settings.currentVideo()), 0.5,
                                  10000);
        QVERIFY(!view.property("menuOpen").toBool());
    }

    // Without a compositor the window is cut to the pill: the screen shows the pill at the
    // island's size and the window underneath everywhere else.
    void eachModeDrawsOnlyThePill_data()
    {
        const auto row = test::rows<std::pair<QString, QSize>>(); // scene, island size
        const QList<QSize> sizes{{300, 30}, {380, 60}, {460, 104 + 64 + 2 * 40 + 3 * 10 + 28}};
        for (int i = 0; i < sizes.size(); ++i)
            row(test::islandScenes[i].toUtf8(), {test::islandScenes[i], sizes[i]});
    }
    void eachModeDrawsOnlyThePill()
    {
        const auto &[scene, size] = test::row<std::pair<QString, QSize>>();
        Island island;
        QVERIFY(island.show());
        // Where the pointer agrees with the hover the scene wants.
        test::pointerTo(topCentre(scene.startsWith("expanded") ? 12 : 600));
        test::stageIsland(island.controller, island.scheduler, scene);
        QCOMPARE(island.controller.model().size(), QSizeF(size));
        settle(island.window());

        const QImage shot = grab(island.window(), scene);
        const int width = shot.width();
        const QRect drawn = test::drawnBounds(shot, shot.rect(), desktopColour.rgb());
        const QRect pill((width - size.width()) / 2, 0, size.width(), size.height());
        const auto near = [](QPoint a, QPoint b) {
            return std::abs(a.x() - b.x()) <= 2 && std::abs(a.y() - b.y()) <= 2;
        };
        const std::unique_ptr<char[]> shown(QTest::toString(drawn));
        QVERIFY2(near(drawn.topLeft(), pill.topLeft()) &&
                     near(drawn.bottomRight(), pill.bottomRight()),
                 shown.get());
    }
};

QUINTARA_TEST_MAIN(IslandWindowTest)
#include "tst_islandwindow.moc"
