#pragma once

#include "activities/LiveActivity.h"
#include "activities/SessionLog.h"
#include "platform/Scheduler.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QStringList>
#include <chrono>
#include <functional>

namespace quintara {

// Follows the Codex agents' session logs (JSON lines in day folders) and reports a running
// activity when a session starts a task and a done one when it finishes. Reads files only,
// on the main thread: after a file's first reading, only what was appended since.
class CodexSessionWatcher : public QObject {
    Q_OBJECT
public:
    using Clock = std::function<QDateTime()>;
    // How a file's new lines are read: `prefiltered` parses only lines that may be records of
    // interest; `everyLine` parses them all (to compare against).
    enum class Reading { prefiltered, everyLine };

    static constexpr std::chrono::seconds interval{2};
    // Files not modified for this long are left alone.
    static constexpr std::chrono::seconds recentWindow{900};

    // $QUINTARA_CODEX_SESSIONS, else ~/.codex/sessions.
    static QString defaultRoot();

    explicit CodexSessionWatcher(Scheduler &scheduler, QString root = defaultRoot(),
                                 Clock clock = {}, QObject *parent = nullptr);

    QString root() const { return m_root; }
    void setReading(Reading reading) { m_reading = reading; }

    // Scans at once (reporting only sessions at work), then every two seconds.
    void start();
    // Stops scanning; what was read stays known, so a later start resumes there.
    void stop() { m_timer.cancel(); }
    bool isRunning() const { return m_timer.isPending(); }

    // The session files of today's and yesterday's folders modified in the last 15 minutes.
    QStringList recentFiles() const;
    // Reads what is new in every recent file and reports each file's latest state.
    void scan(bool initial);

signals:
    void activity(const ActivityReport &report);

private:
    struct RecentFile {
        QString path;
        qint64 size = 0;
    };
    struct File {
        quint64 offset = 0;
        SessionLog log;
    };

    QList<RecentFile> recent() const;
    std::optional<ActivityReport> readNew(const QString &path, qint64 size);

    Scheduler &m_scheduler;
    QString m_root;
    Clock m_clock;
    Reading m_reading = Reading::prefiltered;
    QHash<QString, File> m_files;
    ScheduledTask m_timer;
};

} // namespace quintara
