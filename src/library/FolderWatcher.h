#pragma once

#include "platform/Scheduler.h"

#include <QObject>
#include <QUrl>
#include <functional>
#include <memory>

class QFileSystemWatcher;

namespace quintara {

// Tells when the entries of one folder changed (added, removed, renamed), once the changes have
// settled: a burst of events gives one callback 0.3 s after the last of them. Only the folder
// itself is watched, not its subfolders or the contents of its files. A folder that is missing,
// or goes away, is waited for: its disappearance is a change, and so is its return, after which
// it is watched again.
class FolderWatcher : public QObject {
    Q_OBJECT
public:
    static constexpr Scheduler::Duration settleDelay{300};

    // `scheduler` is not owned and must outlive the watcher.
    explicit FolderWatcher(Scheduler &scheduler, QObject *parent = nullptr);
    ~FolderWatcher() override;

    // Stops any previous watch, then watches `folder`. Anything but a local folder leaves the
    // watcher idle without a word.
    void watch(const QUrl &folder, std::function<void()> onChange);
    // Drops the pending notification and the watch. Safe at any time; no callback follows it.
    void stop();

    // Following a folder, present or awaited.
    bool isWatching() const { return m_source != nullptr; }

private:
    void follow();
    void directoryChanged(const QString &path);

    Scheduler &m_scheduler;
    std::unique_ptr<QFileSystemWatcher> m_source;
    ScheduledTask m_pending;
    std::function<void()> m_onChange;
    QString m_path;
    bool m_present = false;
};

} // namespace quintara
