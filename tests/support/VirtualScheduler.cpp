#include "VirtualScheduler.h"

namespace quintara::test {

Scheduler::TaskId VirtualScheduler::start(Duration delay, bool repeat, QObject *context, Task task)
{
    const TaskId id = m_next++;
    const Duration interval = repeat ? std::max(delay, Duration(1)) : Duration::zero();
    m_tasks.emplace(id,
                    Entry{m_now + delay, interval, context != nullptr, context, std::move(task)});
    return id;
}

void VirtualScheduler::advance(Duration by)
{
    const Duration target = m_now + by;
    for (;;) {
        auto next = m_tasks.end();
        for (auto it = m_tasks.begin(); it != m_tasks.end(); ++it)
            if (it->second.due <= target &&
                (next == m_tasks.end() || it->second.due < next->second.due))
                next = it;
        if (next == m_tasks.end())
            break;
        m_now = std::max(m_now, next->second.due);
        Entry &entry = next->second;
        if (entry.hasContext && !entry.context) {
            m_tasks.erase(next);
            continue;
        }
        Task task = entry.task;
        if (entry.interval == Duration::zero())
            m_tasks.erase(next);
        else
            entry.due += entry.interval;
        task();
    }
    m_now = target;
}

} // namespace quintara::test
