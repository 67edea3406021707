#include "FakePowerSources.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "app/AppDelegate.h"
#include "engine/player/RenderPath.h"
#include "platform/LogSink.h"
#include "platform/linux/JsonFileStore.h"

#include <QQuickWindow>

using namespace quintara;

namespace {

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
    void controlPanelLoadsAndRunsWithoutAWarning()
    {
        JsonFileStore store(JsonFileStore::defaultPath());
        test::VirtualScheduler clock;
        test::FakePowerSources power;
        AppDelegate app(store, clock, power.take());
        MemoryLogSink log;
        ScopedLogSink scoped(&log);
        messages.clear();
        const QtMessageHandler previous = qInstallMessageHandler(collect);
        app.showControls();
        QQuickWindow *window = app.controlWindow().window();
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
            QVERIFY(window->grabWindow().save(shots + "/control panel.png"));
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
