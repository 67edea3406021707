#pragma once

#include <QObject>
#include <QPointer>
#include <chrono>
#include <cstdint>
#include <functional>
#include <unordered_map>

class QTimer;

namespace quintara {

class ScheduledTask;

// All delayed, repeating and deferred work goes through a Scheduler so that tests can drive
// time with a virtual clock instead of sleeping. Everything runs on the main thread.
//
// Work whose caller may want to stop it is held by a `ScheduledTask`, which cancels it when it
// goes; work that only lives as long as its context object is fire-and-forget (`defer`).
class Scheduler {
public:
    using Duration = std::chrono::milliseconds;
    using Task = std::function<void()>;

    virtual ~Scheduler() = default;

    // Runs `task` once, `delay` from now (a zero delay means the next turn of the event loop),
    // unless the handle is dropped or cancelled first, or `context` (when given) is destroyed.
    [[nodiscard]] ScheduledTask after(Duration delay, QObject *context, Task task);
    // Runs `task` every `interval` while the handle is held and `context` lives.
    [[nodiscard]] ScheduledTask every(Duration interval, QObject *context, Task task);
    // Runs `task` once on the next turn of the event loop, or `delay` from now; only the
    // destruction of `context` stops it.
    void defer(QObject *context, Task task) { defer(Duration::zero(), context, std::move(task)); }
    void defer(Duration delay, QObject *context, Task task);

    // Monotonic time since an arbitrary origin.
    virtual Duration now() const = 0;

protected:
    friend class ScheduledTask;
    using TaskId = std::uint64_t;

    // The implementations' side. Ids are never 0 and never reused.
    virtual TaskId start(Duration delay, bool repeat, QObject *context, Task task) = 0;
    // Cancelling an unknown, finished or already cancelled task does nothing.
    virtual void cancel(TaskId id) = 0;
    virtual bool isPending(TaskId id) const = 0;
};

// The one owner of a scheduled task: destroying it, assigning another task to it or calling
// `cancel` cancels the task if it has not run yet. Empty when default-constructed. The
// scheduler must outlive it.
class ScheduledTask {
public:
    ScheduledTask() = default;
    ScheduledTask(ScheduledTask &&other) noexcept;
    ScheduledTask &operator=(ScheduledTask &&other) noexcept;
    ScheduledTask(const ScheduledTask &) = delete;
    ScheduledTask &operator=(const ScheduledTask &) = delete;
    ~ScheduledTask() { cancel(); }

    void cancel();
    // Scheduled and neither run (for a one-shot task), cancelled nor dropped with its context.
    bool isPending() const;

private:
    friend class Scheduler;
    ScheduledTask(Scheduler *scheduler, Scheduler::TaskId id) : m_scheduler(scheduler), m_id(id) {}

    Scheduler *m_scheduler = nullptr;
    Scheduler::TaskId m_id = 0;
};

// The process's real scheduler, on QTimer.
class QtScheduler final : public QObject, public Scheduler {
    Q_OBJECT
public:
    explicit QtScheduler(QObject *parent = nullptr);
    ~QtScheduler() override;

    Duration now() const override;
    // Tasks scheduled and neither run, cancelled nor dropped.
    std::size_t pendingCount() const { return m_timers.size(); }

protected:
    TaskId start(Duration delay, bool repeat, QObject *context, Task task) override;
    void cancel(TaskId id) override;
    bool isPending(TaskId id) const override;

private:
    TaskId m_next = 1;
    std::unordered_map<TaskId, QTimer *> m_timers;
};

// The scheduler used by default when no other is injected.
Scheduler &defaultScheduler();

} // namespace quintara
