// The gallery's download path against curl, on a loopback server:
//   download_vs_curl        the store's time for a 200 MB file over curl -o's (median of runs)
//   download_rss_growth_mb  how far the process's peak resident memory rose during a download
//   progress_updates_per_s  progress publications per second of downloading
#include "LoopbackHttpServer.h"
#include "gallery/GalleryStore.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>

using namespace quintara;

namespace {

constexpr qint64 fileSize = 200 * 1000 * 1000;
constexpr int runs = 3;

// A field of /proc/self/status in kB.
qint64 statusKb(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(qstrlen(field)).trimmed().split(' ').first().toLongLong();
    return -1;
}

// Restarts the peak-memory mark at the current size.
void resetPeakRss()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}

double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    return values.at(values.size() / 2);
}

bool makeFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray block(1 << 20, Qt::Uninitialized);
    for (int i = 0; i < block.size(); ++i)
        block[i] = char((i * 131) ^ (i >> 9));
    for (qint64 written = 0; written < fileSize; written += block.size())
        if (file.write(block.left(std::min<qint64>(block.size(), fileSize - written))) < 0)
            return false;
    return true;
}

double curlSeconds(const QUrl &url, const QString &output)
{
    QProcess curl;
    QEventLoop loop;
    QObject::connect(&curl, &QProcess::finished, &loop, &QEventLoop::quit);
    QElapsedTimer timer;
    timer.start();
    curl.start(QStringLiteral("curl"),
               {QStringLiteral("-sf"), QStringLiteral("-o"), output, url.toString()});
    loop.exec();
    const double seconds = timer.nsecsElapsed() / 1e9;
    if (curl.exitCode() != 0 || QFileInfo(output).size() != fileSize)
        qFatal("curl failed: %s", curl.readAllStandardError().constData());
    QFile::remove(output);
    return seconds;
}

struct StoreRun {
    double seconds;
    double rssGrowthMb;
    double updatesPerSecond;
};

StoreRun storeRun(GalleryStore &store, const GalleryWallpaper &wallpaper, const QString &folder)
{
    int updates = 0;
    const auto counting =
        QObject::connect(&store, &GalleryStore::progressChanged, [&] { ++updates; });
    QEventLoop loop;
    bool ok = false;
    resetPeakRss();
    const qint64 before = statusKb("VmRSS:");
    QElapsedTimer timer;
    timer.start();
    store.download(wallpaper, QUrl::fromLocalFile(folder), [&](const GalleryStore::Result &r) {
        ok = r.ok();
        loop.quit();
    });
    loop.exec();
    const double seconds = timer.nsecsElapsed() / 1e9;
    const qint64 peak = statusKb("VmHWM:");
    QObject::disconnect(counting);
    if (!ok || QFileInfo(folder + "/big.mp4").size() != fileSize)
        qFatal("the store's download failed");
    QFile::remove(folder + "/big.mp4");
    return {seconds, (peak - before) / 1024.0, updates / seconds};
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString source = dir.filePath(QStringLiteral("source.mp4"));
    if (!dir.isValid() || !makeFile(source))
        qFatal("cannot write the 200 MB file");
    QDir().mkpath(dir.filePath(QStringLiteral("library")));

    test::LoopbackHttpServer server;
    server.route("/big.mp4", test::LoopbackHttpServer::Response::file(source));
    GalleryWallpaper wallpaper;
    wallpaper.id = QStringLiteral("big");
    wallpaper.video = server.url(QStringLiteral("/big.mp4"));
    wallpaper.bytes = fileSize;
    QtScheduler scheduler;
    GalleryStore store({server.url(QStringLiteral("/catalog.json")), QUrl()}, scheduler);

    // Warm the page cache and both paths once, then alternate.
    curlSeconds(wallpaper.video, dir.filePath(QStringLiteral("curl.mp4")));
    storeRun(store, wallpaper, dir.filePath(QStringLiteral("library")));
    QList<double> curlTimes, storeTimes, growth, rates;
    for (int i = 0; i < runs; ++i) {
        curlTimes.append(curlSeconds(wallpaper.video, dir.filePath(QStringLiteral("curl.mp4"))));
        const StoreRun run = storeRun(store, wallpaper, dir.filePath(QStringLiteral("library")));
        storeTimes.append(run.seconds);
        growth.append(run.rssGrowthMb);
        rates.append(run.updatesPerSecond);
    }
    std::printf("download_seconds=%.3f\n", median(storeTimes));
    std::printf("curl_seconds=%.3f\n", median(curlTimes));
    std::printf("download_vs_curl=%.3f\n", median(storeTimes) / median(curlTimes));
    std::printf("download_rss_growth_mb=%.1f\n", *std::max_element(growth.begin(), growth.end()));
    std::printf("progress_updates_per_s=%.1f\n", *std::max_element(rates.begin(), rates.end()));
    return 0;
}
