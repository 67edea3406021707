#pragma once

#include "platform/Scheduler.h"

#include <map>

namespace quintara::test {

// A scheduler on a virtual clock: nothing runs until the test advances time.
class VirtualScheduler final : public Scheduler {
public:
    Duration now() const override { return m_now; }

    // Moves the clock forward, running every task that falls due, in due order (ties in the
    // order they were scheduled), including tasks that those tasks schedule.
    void advance(Duration by);
    // Runs what is due now, deferred work included.
    void runPending() { advance(Duration::zero()); }
    // Tasks scheduled and not yet run or cancelled.
    std::size_t pendingCount() const { return m_tasks.size(); }
    // Tasks ever scheduled.
    std::size_t scheduledCount() const { return m_next - 1; }

    // Open to wrappers in tests that count or observe what is scheduled.
    TaskId start(Duration delay, bool repeat, QObject *context, Task task) override;
    void cancel(TaskId id) override { m_tasks.erase(id); }
    bool isPending(TaskId id) const override { return m_tasks.contains(id); }

private:
    struct Entry {
        Duration due;
        Duration interval; // zero for one-shot
        bool hasContext;
        QPointer<QObject> context;
        Task task;
    };
    Duration m_now{0};
    TaskId m_next = 1;
    std::map<TaskId, Entry> m_tasks;
};

} // namespace quintara::test
