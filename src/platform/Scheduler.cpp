#include "platform/Scheduler.h"

#include <QElapsedTimer>
#include <QTimer>

namespace quintara {

ScheduledTask Scheduler::after(Duration delay, QObject *context, Task task)
{
    return ScheduledTask(this, start(delay, false, context, std::move(task)));
}

ScheduledTask Scheduler::every(Duration interval, QObject *context, Task task)
{
    return ScheduledTask(this, start(interval, true, context, std::move(task)));
}

void Scheduler::defer(Duration delay, QObject *context, Task task)
{
    start(delay, false, context, std::move(task));
}

ScheduledTask::ScheduledTask(ScheduledTask &&other) noexcept
    : m_scheduler(std::exchange(other.m_scheduler, nullptr)), m_id(std::exchange(other.m_id, 0))
{}

ScheduledTask &ScheduledTask::operator=(ScheduledTask &&other) noexcept
{
    if (this != &other) {
        cancel();
        m_scheduler = std::exchange(other.m_scheduler, nullptr);
        m_id = std::exchange(other.m_id, 0);
    }
    return *this;
}

void ScheduledTask::cancel()
{
    if (m_scheduler)
        m_scheduler->cancel(m_id);
    m_scheduler = nullptr;
    m_id = 0;
}

bool ScheduledTask::isPending() const
{
    return m_scheduler && m_scheduler->isPending(m_id);
}

QtScheduler::QtScheduler(QObject *parent) : QObject(parent) {}

QtScheduler::~QtScheduler()
{
    for (auto &[id, timer] : m_timers)
        delete timer;
}

Scheduler::TaskId QtScheduler::start(Duration delay, bool repeat, QObject *context, Task task)
{
    const TaskId id = m_next++;
    auto *timer = new QTimer(this);
    timer->setSingleShot(!repeat);
    timer->setTimerType(delay < std::chrono::seconds(2) ? Qt::PreciseTimer : Qt::CoarseTimer);
    timer->setInterval(delay);
    // The context is only guarded, never connected to: a task whose context has gone is
    // dropped when its time comes, so nothing accumulates on long-lived contexts.
    const bool hasContext = context != nullptr;
    QPointer<QObject> guard(context);
    connect(timer, &QTimer::timeout, this, [this, id, repeat, hasContext, guard, task] {
        if (hasContext && !guard) {
            cancel(id);
            return;
        }
        if (!repeat)
            cancel(id);
        task();
    });
    m_timers.emplace(id, timer);
    timer->start();
    return id;
}

void QtScheduler::cancel(TaskId id)
{
    auto it = m_timers.find(id);
    if (it == m_timers.end())
        return;
    QTimer *timer = it->second;
    m_timers.erase(it);
    timer->stop();
    timer->deleteLater();
}

bool QtScheduler::isPending(TaskId id) const
{
    return m_timers.contains(id);
}

Scheduler::Duration QtScheduler::now() const
{
    static QElapsedTimer clock = [] {
        QElapsedTimer t;
        t.start();
        return t;
    }();
    return Duration(clock.elapsed());
}

Scheduler &defaultScheduler()
{
    static QtScheduler scheduler;
    return scheduler;
}

} // namespace quintara
