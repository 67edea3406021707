// Prints name=value lines: the library listing, a search, a tag save and poster frames next to
// ffmpegthumbnailer on the same files.
#include "library/CategoryStore.h"
#include "library/LibraryListing.h"
#include "library/LibraryModel.h"
#include "library/ThumbnailCache.h"
#include "platform/Scheduler.h"
#include "platform/linux/FreedesktopTrash.h"
#include "platform/linux/JsonFileStore.h"
#include "settings/AppSettings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <vector>

using namespace quintara;

namespace {

void print(const char *name, double value)
{
    std::printf("%s=%.3f\n", name, value);
    std::fflush(stdout);
}

void print(const char *name, qsizetype value)
{
    std::printf("%s=%lld\n", name, static_cast<long long>(value));
    std::fflush(stdout);
}

double threadCpuMs()
{
    timespec now;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Median wall time of `runs` calls, in milliseconds; `cpuMs`, when given, receives the median
// time this thread spent on the processor, which a busy machine inflates less.
double medianMs(int runs, const std::function<void()> &work, double *cpuMs = nullptr)
{
    std::vector<double> times, cpu;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        const double cpuStart = threadCpuMs();
        timer.start();
        work();
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
        cpu.push_back(threadCpuMs() - cpuStart);
    }
    std::sort(times.begin(), times.end());
    std::sort(cpu.begin(), cpu.end());
    if (cpuMs)
        *cpuMs = cpu[cpu.size() / 2];
    return times[times.size() / 2];
}

void touch(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
}

const QStringList words{"Beach", "sunset", "Forest", "city",   "Night",
                        "ocean", "rain",   "Snow",   "desert", "Aurora"};

QString videoName(int i)
{
    static const char *extensions[] = {"mp4", "MOV", "m4v", "Mp4"};
    return QStringLiteral("%1_%2 take%3.%4")
        .arg(words[i % words.size()], words[(i / 10) % words.size()].toLower())
        .arg(i)
        .arg(QLatin1String(extensions[i % 4]));
}

void benchListing(const QString &root)
{
    const QString folder = root + QStringLiteral("/listing");
    QDir().mkpath(folder);
    constexpr int entries = 10000;
    for (int i = 0; i < entries; ++i)
        touch(folder + QLatin1Char('/') +
              (i % 10 == 9 ? QStringLiteral("notes %1.txt").arg(i) : videoName(i)));
    const QUrl url = QUrl::fromLocalFile(folder);
    qsizetype videos = 0;
    double cpuMs = 0;
    const double ms = medianMs(
        21, [&] { videos = listLibrary(url).size(); }, &cpuMs);
    print("list_entries", qsizetype(entries));
    print("list_videos", videos);
    print("list_ms", ms);
    print("list_cpu_ms", cpuMs);
}

void benchQueryAndSave(const QString &root)
{
    const QString folder = root + QStringLiteral("/tagged");
    QDir().mkpath(folder);
    constexpr int videos = 10000;
    constexpr int tagCount = 50;
    QRandomGenerator random(42);
    CategoryStore::Assignments assignments;
    QStringList tags;
    for (int t = 0; t < tagCount; ++t)
        tags.append(QStringLiteral("%1 %2").arg(words[t % words.size()]).arg(t));
    for (int i = 0; i < videos; ++i) {
        const QString name = videoName(i);
        touch(folder + QLatin1Char('/') + name);
        QStringList own;
        for (int k = 1 + int(random.bounded(3)); k > 0; --k)
            own.append(tags[int(random.bounded(tagCount))]);
        assignments.insert(name, sortedNames(own));
    }
    {
        // A tag file with an assignment for every video.
        QJsonObject videosObject;
        for (auto it = assignments.begin(); it != assignments.end(); ++it)
            videosObject.insert(it.key(), QJsonArray::fromStringList(it.value()));
        QFile file(folder + QLatin1Char('/') + QLatin1String(CategoryStore::fileName));
        if (!file.open(QIODevice::WriteOnly))
            qFatal("cannot write the tag file");
        file.write(QJsonDocument(QJsonObject{{"version", 1},
                                             {"tags", QJsonArray::fromStringList(tags)},
                                             {"videos", videosObject}})
                       .toJson());
    }

    JsonFileStore defaults(root + QStringLiteral("/settings.json"));
    AppSettings settings(defaults);
    settings.setLibraryFolder(QUrl::fromLocalFile(folder));
    FreedesktopTrash trash;
    LibraryModel model(settings, defaultScheduler(), trash);
    model.appear();

    // Alternate two spellings of one query so that every run computes the list afresh.
    int run = 0;
    qsizetype matches = 0;
    double queryCpuMs = 0;
    const double queryMs = medianMs(
        51,
        [&] {
            model.setQuery(run++ % 2 ? QStringLiteral("night") : QStringLiteral(" night"));
            matches = model.filteredVideos().size();
        },
        &queryCpuMs);
    print("query_videos", model.videos().urls().size());
    print("query_tags", model.categories().tags().size());
    print("query_matches", matches);
    print("query_ms", queryMs);
    print("query_cpu_ms", queryCpuMs);

    CategoryStore &store = model.categories();
    const QUrl first = model.videos().urls().first();
    const double saveMs = medianMs(11, [&] { store.toggle(QStringLiteral("bench"), first); });
    print("categories_assignments", store.assignments().size());
    print("categories_file_bytes", QFileInfo(store.filePath()).size());
    print("categories_save_ms", saveMs);
}

bool makeVideo(const QString &path, int width, int height)
{
    if (QFileInfo::exists(path))
        return true;
    QDir().mkpath(QFileInfo(path).absolutePath());
    const QString partial = path + QStringLiteral(".part.mp4");
    const int code = QProcess::execute(
        QStringLiteral("ffmpeg"),
        {"-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
         QStringLiteral("testsrc2=size=%1x%2:rate=30").arg(width).arg(height), "-t", "4",
         "-pix_fmt", "yuv420p", "-c:v", "libx264", "-preset", "veryfast", partial});
    return code == 0 && QFile::rename(partial, path);
}

double posterMs(const QString &path)
{
    return medianMs(7, [&] {
        ThumbnailCache cache; // cold every time
        QEventLoop loop;
        bool ok = false;
        cache.image(QUrl::fromLocalFile(path), nullptr, [&](const QImage &image) {
            ok = !image.isNull();
            loop.quit();
        });
        loop.exec();
        if (!ok)
            qFatal("no poster for %s", qPrintable(path));
    });
}

double thumbnailerMs(const QString &path, const QString &out)
{
    return medianMs(7, [&] {
        const int code = QProcess::execute(QStringLiteral("ffmpegthumbnailer"),
                                           {"-i", path, "-o", out, "-s", "640", "-t", "00:00:01"});
        if (code != 0)
            qFatal("ffmpegthumbnailer failed on %s", qPrintable(path));
    });
}

// A fast scroll through a library of 4K videos: forty tiles ask for their posters and all but
// the last eight scroll away at once. What counts is how long the eight on screen wait.
void benchScroll(const QString &root, const QString &uhd)
{
    constexpr int tiles = 40;
    constexpr int onScreen = 8;
    QList<QUrl> videos;
    for (int i = 0; i < tiles; ++i) {
        const QString link = root + QStringLiteral("/scroll/tile%1.mp4").arg(i);
        QDir().mkpath(QFileInfo(link).absolutePath());
        if (!QFileInfo::exists(link) && !QFile::link(uhd, link))
            qFatal("cannot link %s", qPrintable(link));
        videos.append(QUrl::fromLocalFile(link));
    }
    std::vector<double> waits, cpu;
    for (int run = 0; run < 3; ++run) {
        timespec start, end;
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &start);
        QElapsedTimer timer;
        timer.start();
        {
            ThumbnailCache cache; // cold every time
            std::vector<std::unique_ptr<QObject>> contexts;
            int shown = 0;
            QEventLoop loop;
            for (const QUrl &video : videos) {
                contexts.push_back(std::make_unique<QObject>());
                cache.image(video, contexts.back().get(), [&](const QImage &) {
                    if (++shown == onScreen)
                        loop.quit();
                });
            }
            contexts.erase(contexts.begin(), contexts.end() - onScreen); // scrolled away
            loop.exec();
            waits.push_back(double(timer.nsecsElapsed()) / 1e6);
        } // the cache waits for whatever its workers still decode
        clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &end);
        cpu.push_back(double(end.tv_sec - start.tv_sec) * 1e3 +
                      double(end.tv_nsec - start.tv_nsec) / 1e6);
    }
    std::sort(waits.begin(), waits.end());
    std::sort(cpu.begin(), cpu.end());
    print("poster_scroll_40_tiles_8_shown_ms", waits[1]);
    // Every core's time spent on the scroll, posters nobody sees included.
    print("poster_scroll_cpu_ms", cpu[1]);
}

void benchPosters(const QString &root)
{
    const QString media = QStringLiteral(QUINTARA_BENCH_MEDIA_DIR);
    const QString hd = media + QStringLiteral("/h264-1080p.mp4");
    const QString uhd = media + QStringLiteral("/h264-2160p.mp4");
    if (!makeVideo(hd, 1920, 1080) || !makeVideo(uhd, 3840, 2160))
        qFatal("ffmpeg could not make the sample videos");

    const double poster1080 = posterMs(hd);
    const double poster2160 = posterMs(uhd);
    print("poster_1080p_ms", poster1080);
    print("poster_2160p_ms", poster2160);
    benchScroll(root, uhd);
    if (QStandardPaths::findExecutable(QStringLiteral("ffmpegthumbnailer")).isEmpty()) {
        std::printf("poster_vs_ffmpegthumbnailer=nan\n");
        return;
    }
    const double thumb1080 = thumbnailerMs(hd, root + QStringLiteral("/hd.png"));
    const double thumb2160 = thumbnailerMs(uhd, root + QStringLiteral("/uhd.png"));
    print("ffmpegthumbnailer_1080p_ms", thumb1080);
    print("ffmpegthumbnailer_2160p_ms", thumb2160);
    print("poster_vs_ffmpegthumbnailer", (poster1080 + poster2160) / (thumb1080 + thumb2160));
}

} // namespace

int main(int argc, char **argv)
{
    // Keep the user's home and settings out of it.
    QTemporaryDir home;
    qputenv("HOME", QFile::encodeName(home.path()));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path() + QStringLiteral("/.config")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(home.path() + QStringLiteral("/.local/share")));
    QCoreApplication app(argc, argv);

    // Optional section names pick what runs: listing, query (with the tag save), posters.
    const QStringList only = app.arguments().mid(1);
    const auto wanted = [&](const char *name) {
        return only.isEmpty() || only.contains(QLatin1String(name));
    };
    if (wanted("listing"))
        benchListing(home.path());
    if (wanted("query"))
        benchQueryAndSave(home.path());
    if (wanted("posters"))
        benchPosters(home.path());
    return 0;
}
