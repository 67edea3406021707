#include "FakeIsland.h"
#include "FakePowerSources.h"
#include "IslandScenes.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "app/AppDelegate.h"
#include "engine/player/RenderPath.h"
#include "platform/LogSink.h"
#include "platform/linux/JsonFileStore.h"

#include <QQuickWindow>

using namespace quintara;

namespace {

// How the app opens a view, returning its window; `keep` holds what else the view needs.
using Open = std::function<QQuickWindow *(AppDelegate &, test::VirtualScheduler &,
                                          std::unique_ptr<QObject> &keep)>;

QStringList messages;

// Every warning but what the offscreen platform says of what it cannot do.
void collect(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type != QtDebugMsg && type != QtInfoMsg &&
        !message.startsWith(QLatin1String("This plugin does not support")))
        messages.append(message);
}

} // namespace

class ViewSmokeTest : public QObject {
    Q_OBJECT

private slots:
    // One row per view.
    void viewLoadsAndRunsWithoutAWarning_data()
    {
        QTest::addColumn<Open>("open");
        QTest::newRow("control panel") << Open([](AppDelegate &app, auto &, auto &) {
            app.showControls();
            return app.controlWindow().window();
        });
        for (const QString &scene : test::islandScenes)
            QTest::newRow(qPrintable("island " + scene)) << Open(
                [scene](AppDelegate &app, test::VirtualScheduler &clock, auto &keep) {
                    auto island = std::make_unique<DynamicIslandController>(
                        app.settings(), clock, test::fakeIslandServices(), &app.views().engine());
                    island->setShown(true);
                    test::stageIsland(*island, clock, scene);
                    keep = std::move(island);
                    return &static_cast<DynamicIslandController &>(*keep).window();
                });
    }
    void viewLoadsAndRunsWithoutAWarning()
    {
        QFETCH(Open, open);
        JsonFileStore store(JsonFileStore::defaultPath());
        test::VirtualScheduler clock;
        test::FakePowerSources power;
        AppDelegate app(store, clock, power.take());
        std::unique_ptr<QObject> keep;
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        messages.clear();
        const QtMessageHandler previous = qInstallMessageHandler(collect);
        QQuickWindow *window = open(app, clock, keep);
        if (window) {
            QSignalSpy frames(window, &QQuickWindow::frameSwapped);
            for (int frame = 1; frame <= 3; ++frame) {
                window->update();
                QTRY_VERIFY(frames.count() >= frame);
            }
        }
        qInstallMessageHandler(previous);
        QVERIFY(window);
        const QString shots = qEnvironmentVariable("QUINTARA_SCREENSHOTS");
        if (!shots.isEmpty())
            QVERIFY(window->grabWindow().save(shots + '/' + QTest::currentDataTag() + ".png"));
        QVERIFY2(messages.isEmpty(), qPrintable(messages.join('\n')));
        QVERIFY2(log.lines().isEmpty(), qPrintable(log.lines().join('\n')));
    }
};

// Offscreen, on the render path the app would choose here. With QUINTARA_SCREENSHOTS naming a
// folder, on the display instead, saving a picture of each view there.
int main(int argc, char **argv)
{
    quintara::test::IsolatedHome home;
    if (qEnvironmentVariableIsEmpty("QUINTARA_SCREENSHOTS"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    configureRenderPath();
    QApplication app(argc, argv);
    app.setQuitOnLastWindowClosed(false);
    ViewSmokeTest test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}
#include "tst_viewsmoke.moc"
