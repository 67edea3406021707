#include "TestFiles.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "app/ControlWindow.h"
#include "app/ViewEngine.h"
#include "library/LibraryModel.h"
#include "library/ThumbnailCache.h"
#include "platform/linux/FreedesktopTrash.h"
#include "settings/AppSettings.h"

#include <QGuiApplication>
#include <QJsonObject>
#include <QQuickWindow>
#include <QScreen>
#include <QSignalSpy>

using namespace quintara;
using namespace std::chrono_literals;

namespace {

// The control window over the app's QML engine and a library model.
struct Panel {
    explicit Panel(KeyValueStore &store)
        : settings(store), views(settings, ThumbnailCache::shared()),
          library(settings, clock, trash), controls(views, library, store, clock)
    {}
    test::VirtualScheduler clock;
    AppSettings settings;
    ViewEngine views;
    FreedesktopTrash trash;
    LibraryModel library;
    ControlWindow controls;
};

} // namespace

class ControlWindowTest : public QObject {
    Q_OBJECT

    test::MemoryStore m_store;

private slots:
    void init() { m_store.remove(ControlWindow::frameKey); }

    void firstOpeningIsCentredAndShowingAgainReusesTheWindow()
    {
        Panel panel(m_store);
        ControlWindow &controls = panel.controls;
        controls.show();
        QQuickWindow *view = controls.window();
        QVERIFY(view);
        QCOMPARE(view->title(), QStringLiteral("Quintara"));
        QCOMPARE(view->size(), ControlWindow::initialSize);
        QVERIFY(QTest::qWaitForWindowExposed(view));
        const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
        QVERIFY2((view->geometry().center() - centre).manhattanLength() < 60,
                 qPrintable(QStringLiteral("%1,%2").arg(view->x()).arg(view->y())));
        // The page loaded with its library.
        QCOMPARE(view->property("library").value<QObject *>(), &panel.library);

        controls.show();
        QCOMPARE(controls.window(), view);
        view->close(); // hides, keeps the window
        QVERIFY(!view->isVisible());
        controls.show();
        QCOMPARE(controls.window(), view);
        QVERIFY(view->isVisible());
        view->showMinimized();
        QTRY_VERIFY(view->windowStates() & Qt::WindowMinimized);
        controls.show();
        QTRY_VERIFY(!(view->windowStates() & Qt::WindowMinimized));
        QVERIFY(QTest::qWaitForWindowExposed(view));
    }

    void frameIsSavedAndRestored()
    {
        const QRect moved(100, 120, 900, 640);
        {
            Panel panel(m_store);
            ControlWindow &controls = panel.controls;
            controls.show();
            QVERIFY(QTest::qWaitForWindowExposed(controls.window()));
            panel.clock.advance(1s);
            // The window manager confirms the new frame asynchronously.
            QSignalSpy resized(controls.window(), &QWindow::heightChanged);
            controls.window()->setGeometry(moved);
            QTRY_VERIFY(resized.count() > 0);
            panel.clock.advance(1s);
            const QJsonObject saved = m_store.value(ControlWindow::frameKey).toObject();
            QCOMPARE(saved.value("width").toInt(), 900);
            QCOMPARE(saved.value("height").toInt(), 640);
        }
        Panel panel(m_store);
        panel.controls.show();
        QCOMPARE(panel.controls.window()->size(), moved.size());
    }

    void aFrameOffEveryScreenIsNotRestored()
    {
        m_store.setValue(ControlWindow::frameKey,
                         QJsonObject{{"x", 90000}, {"y", 90000}, {"width", 800}, {"height", 600}});
        Panel panel(m_store);
        panel.controls.show();
        QCOMPARE(panel.controls.window()->size(), ControlWindow::initialSize);
        QVERIFY(QGuiApplication::primaryScreen()->geometry().intersects(
            panel.controls.window()->geometry()));
    }
};

QUINTARA_TEST_MAIN(ControlWindowTest)
#include "tst_controlwindow.moc"
