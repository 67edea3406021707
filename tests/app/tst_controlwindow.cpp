#include "TestMain.h"
#include "VirtualScheduler.h"
#include "app/ControlWindow.h"
#include "platform/linux/JsonFileStore.h"

#include <QFile>
#include <QGuiApplication>
#include <QJsonObject>
#include <QQuickView>
#include <QScreen>
#include <QSignalSpy>

using namespace quintara;
using namespace std::chrono_literals;

class ControlWindowTest : public QObject {
    Q_OBJECT

private slots:
    void init() { QFile::remove(JsonFileStore::defaultPath()); }

    void firstOpeningIsCentredAtItsSize()
    {
        JsonFileStore store(JsonFileStore::defaultPath());
        test::VirtualScheduler clock;
        ControlWindow controls(store, clock);
        controls.show();
        QQuickView *view = controls.window();
        QVERIFY(view);
        QCOMPARE(view->title(), QStringLiteral("Quintara"));
        QCOMPARE(view->size(), ControlWindow::initialSize);
        QVERIFY(QTest::qWaitForWindowExposed(view));
        const QPoint centre = QGuiApplication::primaryScreen()->availableGeometry().center();
        QVERIFY2((view->geometry().center() - centre).manhattanLength() < 60,
                 qPrintable(QStringLiteral("%1,%2").arg(view->x()).arg(view->y())));
        QVERIFY(view->rootObject()); // the page loaded
    }

    void showingAgainReusesAndRestoresTheWindow()
    {
        JsonFileStore store(JsonFileStore::defaultPath());
        test::VirtualScheduler clock;
        ControlWindow controls(store, clock);
        controls.show();
        QQuickView *first = controls.window();
        QVERIFY(QTest::qWaitForWindowExposed(first));
        controls.show();
        controls.show();
        QCOMPARE(controls.window(), first);

        first->close(); // hides, keeps the window
        QVERIFY(!first->isVisible());
        controls.show();
        QCOMPARE(controls.window(), first);
        QVERIFY(first->isVisible());

        first->showMinimized();
        QTRY_VERIFY(first->windowStates() & Qt::WindowMinimized);
        controls.show();
        QTRY_VERIFY(!(first->windowStates() & Qt::WindowMinimized));
        QVERIFY(QTest::qWaitForWindowExposed(first));
    }

    void frameIsSavedAndRestored()
    {
        const QRect moved(100, 120, 900, 640);
        {
            JsonFileStore store(JsonFileStore::defaultPath());
            test::VirtualScheduler clock;
            ControlWindow controls(store, clock);
            controls.show();
            QVERIFY(QTest::qWaitForWindowExposed(controls.window()));
            clock.advance(1s);
            // The window manager confirms the new frame asynchronously.
            QSignalSpy resized(controls.window(), &QWindow::heightChanged);
            controls.window()->setGeometry(moved);
            QTRY_VERIFY(resized.count() > 0);
            clock.advance(1s);
            const QJsonObject saved = store.value("QuintaraControls").toObject();
            QCOMPARE(saved.value("width").toInt(), 900);
            QCOMPARE(saved.value("height").toInt(), 640);
        }
        JsonFileStore store(JsonFileStore::defaultPath());
        test::VirtualScheduler clock;
        ControlWindow controls(store, clock);
        controls.show();
        QCOMPARE(controls.window()->size(), moved.size());
    }

    void aFrameOffEveryScreenIsNotRestored()
    {
        JsonFileStore store(JsonFileStore::defaultPath());
        store.setValue("QuintaraControls",
                       QJsonObject{{"x", 90000}, {"y", 90000}, {"width", 800}, {"height", 600}});
        test::VirtualScheduler clock;
        ControlWindow controls(store, clock);
        controls.show();
        QCOMPARE(controls.window()->size(), ControlWindow::initialSize);
        QVERIFY(
            QGuiApplication::primaryScreen()->geometry().intersects(controls.window()->geometry()));
    }
};

QUINTARA_TEST_MAIN(ControlWindowTest)
#include "tst_controlwindow.moc"
