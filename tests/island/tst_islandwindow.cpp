#include "Desktop.h"
#include "TestFiles.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "island/DynamicIslandController.h"
#include "platform/linux/X11IslandWindow.h"
#include "platform/linux/X11PointerMonitor.h"

#include <QPainter>
#include <QQuickWindow>
#include <QRasterWindow>
#include <QScreen>

using namespace quintara;
using namespace std::chrono_literals;

// The island's window on a real X server with openbox and no compositor: its place among the
// windows, clicks passing through it, the pointer expanding it.
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

// Counts the presses that reach a window.
class Presses final : public QObject {
public:
    int count = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        count += event->type() == QEvent::MouseButtonPress;
        return false;
    }
};

struct Island {
    test::MemoryStore store;
    AppSettings settings{store};
    test::VirtualScheduler scheduler;
    DynamicIslandController controller{settings, scheduler, services(), nullptr};

    static IslandServices services()
    {
        IslandServices services;
        services.window = std::make_unique<X11IslandWindow>();
        services.pointer = std::make_unique<X11PointerMonitor>();
        services.chatQueue = std::make_unique<InlineWorkQueue>();
        return services;
    }
    void running()
    {
        controller.activities().report(
            {{"source", "Claude Code"}, {"id", "a"}, {"state", "running"}, {"title", "Fix"}});
        scheduler.advance(10s); // past its event
    }
    QString mode() { return controller.model().modeName(); }
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

    // Clicks at `position` and waits until the window underneath has it.
    bool clickReachesUnderneath(QPoint position)
    {
        m_underneath->clicks.clear();
        test::pointerTo(position, true);
        return QTest::qWaitFor([&] { return m_underneath->clicks.contains(position); }, 10000);
    }

private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != "xcb")
            QSKIP("needs an X server with a window manager (run under scripts/lib/test-session)");
        m_underneath = std::make_unique<Underneath>();
        m_underneath->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_underneath.get()));
    }

    void windowSitsAboveEverythingOnEveryWorkspace()
    {
        Island island;
        island.controller.setShown(true);
        const QString id = QString::number(island.controller.window().winId());
        QTRY_VERIFY_WITH_TIMEOUT(
            test::run("xprop", {"-id", id, "_NET_WM_STATE"}).contains("_NET_WM_STATE_ABOVE"),
            10000);
        const QString props = test::run("xprop", {"-id", id, "_NET_WM_WINDOW_TYPE", "_NET_WM_STATE",
                                                  "_NET_WM_DESKTOP", "WM_HINTS"});
        for (const char *expected :
             {"_NET_WM_WINDOW_TYPE_NOTIFICATION", "_NET_WM_STATE_SKIP_TASKBAR",
              "_NET_WM_STATE_SKIP_PAGER", "_NET_WM_DESKTOP(CARDINAL) = 4294967295",
              "accepts input or input focus: False"})
            QVERIFY2(props.contains(expected), qPrintable(props));
        const QString geometry = test::run("xwininfo", {"-id", id});
        const int left = topCentre(0).x() - 280;
        QVERIFY2(geometry.contains(QStringLiteral("Absolute upper-left X:  %1\n").arg(left)) &&
                     geometry.contains("Absolute upper-left Y:  0\n") &&
                     geometry.contains("Width: 560\n") && geometry.contains("Height: 420\n"),
                 qPrintable(geometry));
        // Stacked above the window underneath, which is the active one.
        m_underneath->requestActivate();
        QTRY_VERIFY_WITH_TIMEOUT(m_underneath->isActive(), 10000);
        const QString stacking = test::run("xprop", {"-root", "_NET_CLIENT_LIST_STACKING"});
        const QString under = QStringLiteral("0x%1").arg(m_underneath->winId(), 0, 16);
        const QString over = QStringLiteral("0x%1").arg(island.controller.window().winId(), 0, 16);
        QVERIFY2(stacking.indexOf(under) >= 0 && stacking.indexOf(over) > stacking.indexOf(under),
                 qPrintable(stacking));
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

    void hotRect_data()
    {
        QTest::addColumn<bool>("activity");
        QTest::addColumn<QRectF>("rect");
        const double mid = topCentre(0).x();
        QTest::newRow("invisible: the strip") << false << QRectF(mid - 120, 0, 240, 4);
        QTest::newRow("resting pill") << true << QRectF(mid - 150, 0, 300, 30);
    }
    void hotRect()
    {
        QFETCH(bool, activity);
        QFETCH(QRectF, rect);
        Island island;
        if (activity)
            island.running();
        QCOMPARE(island.controller.hotRect(), rect);
    }

    // Clicks pass through the window except over the island while the pointer is there.
    void clicksPassUnlessHovered()
    {
        Island island;
        island.running();
        island.controller.setShown(true);
        QVERIFY(QTest::qWaitForWindowExposed(&island.controller.window()));
        Presses presses;
        island.controller.window().installEventFilter(&presses);

        QVERIFY(clickReachesUnderneath(topCentre(200)));
        QCOMPARE(island.mode(), "resting");
        test::pointerTo(topCentre(12));
        QTRY_COMPARE_WITH_TIMEOUT(island.mode(), "expanded", 10000);
        test::pointerTo(topCentre(120), true); // inside the expanded island
        QTRY_COMPARE_WITH_TIMEOUT(presses.count, 1, 10000);
        QVERIFY(m_underneath->clicks.isEmpty());
        test::pointerTo(topCentre(600));
        QTRY_COMPARE_WITH_TIMEOUT(island.mode(), "resting", 10000);
        QVERIFY(clickReachesUnderneath(topCentre(200)));
    }

    void invisibleIslandWakesFromTheTopStrip()
    {
        Island island;
        island.controller.setShown(true);
        QVERIFY(QTest::qWaitForWindowExposed(&island.controller.window()));
        QCOMPARE(island.controller.model().size(), QSizeF(0, 0));
        test::pointerTo(topCentre(600));
        test::pointerTo(topCentre(1) + QPoint(118, 0));
        QTRY_COMPARE_WITH_TIMEOUT(island.mode(), "expanded", 10000);
        test::pointerTo(topCentre(600));
        QTRY_COMPARE_WITH_TIMEOUT(island.mode(), "resting", 10000);
    }

    void hiddenIslandNeitherExpandsNorTakesClicks()
    {
        Island island;
        island.controller.setShown(true);
        island.controller.setShown(false);
        QVERIFY(clickReachesUnderneath(topCentre(2)));
        QCoreApplication::processEvents();
        QCOMPARE(island.mode(), "resting");
        QVERIFY(!island.controller.window().isVisible());
    }
};

QUINTARA_TEST_MAIN(IslandWindowTest)
#include "tst_islandwindow.moc"
