#pragma once

#include <QObject>
#include <QPointer>

class QTimer;

#include <chrono>
#include <cstdint>
#include <functional>
#include <unordered_map>

namespace quintara {

// All delayed, repeating and deferred work goes through a Scheduler so that tests can drive
// time with a virtual clock instead of sleeping. Everything runs on the main thread.
class Scheduler {
public:
    using TaskId = std::uint64_t;
    using Duration = std::chrono::milliseconds;
    using Task = std::function<void()>;

    virtual ~Scheduler() = default;

    // Runs `task` once, `delay` from now. A zero delay means the next turn of the event loop.
    // When `context` is given and is destroyed first, the task is dropped.
    virtual TaskId after(Duration delay, QObject *context, Task task) = 0;
    // Runs `task` every `interval` until cancelled (or until `context` is destroyed).
    virtual TaskId every(Duration interval, QObject *context, Task task) = 0;
    // Cancelling an unknown, finished or already cancelled task does nothing.
    virtual void cancel(TaskId id) = 0;
    // Monotonic time since an arbitrary origin.
    virtual Duration now() const = 0;

    TaskId defer(QObject *context, Task task) { return after(Duration::zero(), context, task); }
};

// The process's real scheduler, on QTimer.
class QtScheduler final : public QObject, public Scheduler {
    Q_OBJECT
public:
    explicit QtScheduler(QObject *parent = nullptr);
    ~QtScheduler() override;

    TaskId after(Duration delay, QObject *context, Task task) override;
    TaskId every(Duration interval, QObject *context, Task task) override;
    void cancel(TaskId id) override;
    Duration now() const override;

private:
    TaskId start(Duration delay, bool repeat, QObject *context, Task task);

    TaskId m_next = 1;
    std::unordered_map<TaskId, QTimer *> m_timers;
};

// The scheduler used by default when no other is injected.
Scheduler &defaultScheduler();

} // namespace quintara
