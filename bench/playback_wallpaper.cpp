// Shows one looping video full-screen on the first display (or on every display with --all)
// the way a wallpaper is shown, for bench/playback to measure. Runs until terminated.
//
//   playback_wallpaper FILE [--all] [--paused] [--report-loops N,M,...]
//
// --report-loops prints "loop_N_rss_kb=VALUE" after N loops and exits after the last one.

#include "engine/player/LoopingPlayer.h"
#include "engine/player/RenderPath.h"
#include "engine/player/VideoLayer.h"

#include <QApplication>
#include <QFile>
#include <QQuickWindow>
#include <QScreen>
#include <csignal>
#include <cstdio>
#include <memory>
#include <vector>

using namespace quintara;

namespace {

long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    }
    return -1;
}

} // namespace

int main(int argc, char **argv)
{
    configureRenderPath();
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: playback_wallpaper FILE [--all] [--paused] "
                             "[--report-loops N,...]\n");
        return 2;
    }
    const bool all = args.contains(QStringLiteral("--all"));
    const bool paused = args.contains(QStringLiteral("--paused"));
    QList<int> reportAt;
    const int reportIndex = args.indexOf(QStringLiteral("--report-loops"));
    if (reportIndex > 0 && reportIndex + 1 < args.size()) {
        for (const QString &n : args.at(reportIndex + 1).split(QLatin1Char(',')))
            reportAt.append(n.toInt());
    }
    std::signal(SIGTERM, [](int) { QCoreApplication::quit(); });

    LoopingPlayer player(QUrl::fromLocalFile(args.at(1)));
    std::vector<std::unique_ptr<QQuickWindow>> windows;
    const QList<QScreen *> screens = all ? app.screens() : QList<QScreen *>{app.primaryScreen()};
    for (QScreen *screen : screens) {
        auto window = std::make_unique<QQuickWindow>();
        window->setFlags(Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
        window->setColor(Qt::black);
        window->setScreen(screen);
        window->setGeometry(screen->geometry());
        auto *layer = new VideoLayer(window->contentItem());
        layer->setSize(screen->geometry().size());
        layer->setFillMode(FillMode::fill);
        layer->setPlayer(&player);
        window->show();
        windows.push_back(std::move(window));
    }
    player.setRate(paused ? 0.0 : 1.0);

    int loops = 0;
    double last = 0;
    QObject::connect(&player, &LoopingPlayer::timePosChanged, &app, [&] {
        if (player.timePos() + 0.25 < last) {
            ++loops;
            if (reportAt.contains(loops)) {
                std::printf("loop_%d_rss_kb=%ld\n", loops, residentKilobytes());
                std::fflush(stdout);
                if (loops == reportAt.last())
                    QCoreApplication::quit();
            }
        }
        last = player.timePos();
    });
    std::printf("render_path=%s\n", qPrintable(rawValue(renderPath())));
    std::fflush(stdout);
    return app.exec();
}
