#include "activities/CodexSessionWatcher.h"

#include <QDir>
#include <QFile>
#include <cstring>
#include <dirent.h>
#include <string_view>
#include <sys/stat.h>

namespace quintara {

namespace {

constexpr qint64 chunkSize = 4 << 20;

QString dayFolder(const QString &root, QDate day)
{
    return root + QString::asprintf("/%04d/%02d/%02d", day.year(), day.month(), day.day());
}

} // namespace

QString CodexSessionWatcher::defaultRoot()
{
    const QString moved = qEnvironmentVariable("QUINTARA_CODEX_SESSIONS");
    if (!moved.isEmpty())
        return moved;
    return QDir::homePath() + QStringLiteral("/.codex/sessions");
}

CodexSessionWatcher::CodexSessionWatcher(Scheduler &scheduler, QString root, Clock clock,
                                         QObject *parent)
    : QObject(parent), m_scheduler(scheduler), m_root(std::move(root)),
      m_clock(clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); }))
{}

void CodexSessionWatcher::start()
{
    if (m_timer.isPending())
        return;
    scan(true);
    m_timer = m_scheduler.every(interval, this, [this] { scan(false); });
}

QList<CodexSessionWatcher::RecentFile> CodexSessionWatcher::recent() const
{
    const QDateTime now = m_clock();
    // Exactly 15 minutes old is too old.
    const qint64 oldestMs = now.toMSecsSinceEpoch() - qint64(recentWindow.count()) * 1000;
    QList<RecentFile> files;
    for (int daysAgo : {0, 1}) {
        // Listed often: one directory read and one stat per entry, nothing more.
        const QString folder = dayFolder(m_root, now.date().addDays(-daysAgo));
        DIR *directory = ::opendir(QFile::encodeName(folder).constData());
        if (!directory)
            continue;
        while (const dirent *entry = ::readdir(directory)) {
            const std::string_view name(entry->d_name);
            struct stat info;
            if (name.size() <= 6 || !name.ends_with(".jsonl") ||
                ::fstatat(::dirfd(directory), entry->d_name, &info, 0) != 0 ||
                !S_ISREG(info.st_mode))
                continue;
            const qint64 modifiedMs =
                qint64(info.st_mtim.tv_sec) * 1000 + info.st_mtim.tv_nsec / 1000000;
            if (modifiedMs > oldestMs)
                files.append({folder + QLatin1Char('/') + QFile::decodeName(entry->d_name),
                              qint64(info.st_size)});
        }
        ::closedir(directory);
    }
    return files;
}

QStringList CodexSessionWatcher::recentFiles() const
{
    QStringList paths;
    for (const RecentFile &file : recent())
        paths.append(file.path);
    return paths;
}

void CodexSessionWatcher::scan(bool initial)
{
    for (const RecentFile &file : recent()) {
        const std::optional<ActivityReport> latest = readNew(file.path, file.size);
        if (!latest)
            continue;
        if (initial && latest->value(QLatin1String(reportKey::state)) != QLatin1String("running"))
            continue;
        emit activity(*latest);
    }
}

std::optional<ActivityReport> CodexSessionWatcher::readNew(const QString &path, qint64 size)
{
    auto known = m_files.find(path);
    const quint64 start = known == m_files.end() ? 0 : known->offset;
    // Nothing new, or a file that shrank: it stays silent until it grows past what was read.
    if (start >= quint64(std::max<qint64>(size, 0)))
        return std::nullopt;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        return std::nullopt;
    file.seek(qint64(start));
    if (known == m_files.end())
        known = m_files.insert(path, File{0, SessionLog(path)});

    std::optional<ActivityReport> latest;
    // Read straight into the buffer; only an unfinished line moves to its front.
    QByteArray buffer;
    qsizetype kept = 0;     // bytes of an unfinished line at the buffer's front
    qsizetype searched = 0; // of those, known to hold no line feed
    quint64 consumed = start;
    // A few appended lines need no more room than they take (and one more byte to see the end).
    const qint64 chunk = std::min(chunkSize, qint64(quint64(size) - start) + 1);
    for (;;) {
        if (buffer.size() < kept + chunk)
            buffer.resize(kept + chunk);
        const qint64 got = file.read(buffer.data() + kept, chunk);
        if (got <= 0)
            break;
        const char *begin = buffer.constData();
        const char *end = begin + kept + got;
        const char *line = begin;
        const char *from = begin + searched;
        while (const char *feed =
                   static_cast<const char *>(std::memchr(from, '\n', size_t(end - from)))) {
            const QByteArrayView text(line, feed - line);
            if (!text.isEmpty() && (m_reading == Reading::everyLine || mayBeSessionRecord(text)))
                if (std::optional<ActivityReport> report = known->log.read(text))
                    latest = std::move(report);
            line = from = feed + 1;
        }
        consumed += quint64(line - begin);
        kept = end - line;
        std::memmove(buffer.data(), line, size_t(kept));
        searched = kept;
    }
    // An incomplete last line is read again, whole, once it is complete.
    known->offset = consumed;
    return latest;
}

} // namespace quintara
