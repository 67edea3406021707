#include "activities/CodexSessionWatcher.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <cstring>

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

QStringList CodexSessionWatcher::recentFiles() const
{
    const QDateTime now = m_clock();
    const QDateTime oldest = now.addSecs(-recentWindow.count());
    QStringList files;
    for (int daysAgo : {0, 1}) {
        QDirIterator entries(dayFolder(m_root, now.date().addDays(-daysAgo)),
                             {QStringLiteral("*.jsonl")}, QDir::Files | QDir::Hidden);
        while (entries.hasNext()) {
            const QFileInfo info = entries.nextFileInfo();
            const QDateTime modified = info.lastModified();
            // Exactly 15 minutes old is too old.
            if (info.suffix() == QLatin1String("jsonl") && modified.isValid() && modified > oldest)
                files.append(info.filePath());
        }
    }
    return files;
}

void CodexSessionWatcher::scan(bool initial)
{
    for (const QString &path : recentFiles()) {
        const std::optional<ActivityReport> latest = readNew(path, QFileInfo(path).size());
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
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    file.seek(qint64(start));
    if (known == m_files.end())
        known = m_files.insert(path, File{0, SessionLog(path)});

    std::optional<ActivityReport> latest;
    QByteArray buffer;      // unread bytes from `consumed` on
    qsizetype searched = 0; // of `buffer`, known to hold no line feed
    quint64 consumed = start;
    for (;;) {
        QByteArray chunk = file.read(chunkSize);
        if (chunk.isEmpty())
            break;
        if (buffer.isEmpty())
            buffer = std::move(chunk);
        else
            buffer.append(chunk);
        const char *begin = buffer.constData();
        const char *end = begin + buffer.size();
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
        buffer.remove(0, line - begin);
        searched = buffer.size();
    }
    // An incomplete last line is read again, whole, once it is complete.
    known->offset = consumed;
    return latest;
}

} // namespace quintara
