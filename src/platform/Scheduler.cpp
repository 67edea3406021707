#include "platform/Scheduler.h"

#include <QElapsedTimer>
#include <QTimer>

namespace quintara {

QtScheduler::QtScheduler(QObject *parent) : QObject(parent) {}

QtScheduler::~QtScheduler()
{
    for (auto &[id, timer] : m_timers)
        delete timer;
}

Scheduler::TaskId QtScheduler::after(Duration delay, QObject *context, Task task)
{
    return start(delay, false, context, std::move(task));
}

Scheduler::TaskId QtScheduler::every(Duration interval, QObject *context, Task task)
{
    return start(interval, true, context, std::move(task));
}

Scheduler::TaskId QtScheduler::start(Duration delay, bool repeat, QObject *context, Task task)
{
    const TaskId id = m_next++;
    auto *timer = new QTimer(this);
    timer->setSingleShot(!repeat);
    timer->setTimerType(delay < std::chrono::seconds(2) ? Qt::PreciseTimer : Qt::CoarseTimer);
    timer->setInterval(delay);
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
    if (context)
        connect(context, &QObject::destroyed, this, [this, id] { cancel(id); });
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
