// Prints name=value lines: what the island costs while it rests (shown against hidden, over
// --seconds each, 60 by default), one expand-and-collapse cycle, and the memory the island's
// window adds.
//
//   bench/island/run [--seconds N]   (inside an X display with a window manager)
#include "TestFiles.h"
#include "app/IslandServices.h"
#include "app/ViewEngine.h"
#include "engine/player/RenderPath.h"
#include "library/ThumbnailCache.h"
#include "platform/Scheduler.h"
#include "settings/AppSettings.h"

#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QQuickWindow>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <sys/resource.h>

using namespace quintara;

namespace {

void print(const char *name, double value)
{
    std::printf("%s=%.3f\n", name, value);
    std::fflush(stdout);
}

struct Usage {
    double cpuMs;
    long wakeups; // voluntary context switches: the times the process went to sleep and woke
};

Usage usage()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    const auto ms = [](const timeval &t) { return double(t.tv_sec) * 1e3 + t.tv_usec / 1e3; };
    return {ms(u.ru_utime) + ms(u.ru_stime), u.ru_nvcsw};
}

// Peak resident memory in MiB.
double peakRssMb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').first().toDouble() / 1024;
    return 0;
}

// Runs the event loop for `ms` and returns what the process used meanwhile.
Usage idle(int ms)
{
    const Usage before = usage();
    // An event loop that sleeps until the end, unlike QTest::qWait, which wakes every 10 ms.
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
    const Usage after = usage();
    return {after.cpuMs - before.cpuMs, after.wakeups - before.wakeups};
}

// Runs the event loop until `window` has drawn no frame for `quiet` ms, 10 s at most; returns
// the frames.
int settle(QQuickWindow &window, int quiet = 400)
{
    int frames = 0;
    QElapsedTimer sinceLast;
    sinceLast.start();
    const auto connection = QObject::connect(&window, &QQuickWindow::frameSwapped, [&] {
        ++frames;
        sinceLast.restart();
    });
    QElapsedTimer total;
    total.start();
    while (sinceLast.elapsed() < quiet && total.elapsed() < 10000)
        QTest::qWait(20);
    QObject::disconnect(connection);
    return frames;
}

} // namespace

int main(int argc, char **argv)
{
    // Windows draw as the app's do: in software unless a GPU is there.
    configureRenderPath();
    QGuiApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption seconds("seconds", "Seconds of each idle measurement.", "N", "60");
    parser.addOption(seconds);
    parser.process(app);
    const int idleMs = parser.value(seconds).toInt() * 1000;

    test::MemoryStore store;
    AppSettings settings(store);
    QtScheduler scheduler;
    ViewEngine views(settings, ThumbnailCache::shared());
    {
        // What every window of the app loads anyway: Qt Quick and its first scene.
        QQuickWindow warm;
        warm.resize(64, 64);
        warm.show();
        settle(warm, 200);
    }
    const double baseRss = peakRssMb();

    DynamicIslandController island(settings, scheduler, makeDesktopIslandServices(),
                                   &views.engine());
    island.activities().report(
        {{"source", "Claude Code"}, {"id", "a"}, {"state", "attention"}, {"title", "Rendering"}});
    island.setShown(true);
    settle(island.window());
    QTest::qWait(6500); // the activity's event ends
    settle(island.window());

    const Usage shown = idle(idleMs);
    island.setShown(false);
    settle(island.window(), 200);
    const Usage hidden = idle(idleMs);
    print("island_idle_cpu_percent_delta", (shown.cpuMs - hidden.cpuMs) / idleMs * 100);
    print("island_idle_cpu_ms_shown", shown.cpuMs);
    print("island_idle_wakeups_shown", double(shown.wakeups));
    print("island_idle_wakeups_hidden", double(hidden.wakeups));
    print("island_idle_timers", double(scheduler.pendingCount()));

    island.setShown(true);
    settle(island.window());
    const Usage before = usage();
    island.model().setHovering(true);
    int frames = settle(island.window());
    island.model().setHovering(false);
    frames += settle(island.window());
    const double cycle = usage().cpuMs - before.cpuMs;
    print("island_expand_cpu_ms", cycle);
    print("island_expand_frames", frames);
    print("island_after_cycle_cpu_ms", idle(2000).cpuMs);
    print("island_rss_mb_delta", peakRssMb() - baseRss);
    return 0;
}
