#pragma once

#include "activities/LiveActivity.h"
#include "platform/AccessibilityTree.h"
#include "platform/Scheduler.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <chrono>
#include <memory>
#include <optional>

namespace quintara {

class WorkQueue;

// Watches desktop chat apps through the accessibility service: while an app writes a reply it
// shows a stop button, and the window that shows it becomes a running activity until the
// button goes. The searches run on a work queue, one pass at a time; the main thread never
// waits for the accessibility service.
class ChatAppWatcher : public QObject {
    Q_OBJECT
public:
    struct App {
        QString bundleID;
        QString source; // the activity source reported for it
        bool operator==(const App &) const = default;
    };
    // An app's window that was found writing, or nothing.
    using Result = std::pair<App, std::optional<QString>>;

    static constexpr std::chrono::milliseconds interval{1500};
    // Elements examined per window, at most.
    static constexpr int searchLimit = 6000;

    // `tree` is used on `queue` only.
    ChatAppWatcher(Scheduler &scheduler, WorkQueue &queue, std::shared_ptr<AccessibilityTree> tree,
                   QObject *parent = nullptr);

    QList<App> apps() const { return m_apps; }
    void setApps(const QList<App> &apps) { m_apps = apps; }

    // Polls every 1.5 s from now on (no poll at once).
    void start();
    // Stops polling and forgets which apps were writing, without reporting them done.
    void stop();
    bool isRunning() const { return m_timer.isPending(); }

    // Starts one pass, unless the previous one is still under way.
    void poll();
    // Apps writing now, with the latest window title seen for each.
    const QHash<QString, QString> &generating() const { return m_generating; }

    // The title of the first window of `application` that shows a stop button: its title, or
    // "Writing a response" when it has none. Runs on the queue.
    static std::optional<QString>
    generatingWindowTitle(AccessibilityTree &tree, const AccessibilityTree::Element &application);
    // Whether `label` is one a stop button wears while a reply is written.
    static bool isStopLabel(const QString &label);

signals:
    void activity(const ActivityReport &report);

private:
    void update(const QList<Result> &results);

    Scheduler &m_scheduler;
    WorkQueue &m_queue;
    std::shared_ptr<AccessibilityTree> m_tree;
    QList<App> m_apps;
    QHash<QString, QString> m_generating;
    ScheduledTask m_timer;
    bool m_passUnderWay = false;
    // Counts stops: a pass that began before the last stop reports nothing.
    int m_generation = 0;
};

} // namespace quintara
