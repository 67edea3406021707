#include "platform/WorkQueue.h"

#include <QCoreApplication>

namespace quintara {

ThreadWorkQueue::ThreadWorkQueue(const QString &name)
{
    m_pool.setObjectName(name);
    m_pool.setMaxThreadCount(1);
}

ThreadWorkQueue::~ThreadWorkQueue()
{
    m_pool.clear();
    m_pool.waitForDone();
}

void ThreadWorkQueue::post(Work work)
{
    m_pool.start(std::move(work));
}

void ThreadWorkQueue::deliver(Work then)
{
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(then), Qt::QueuedConnection);
}

} // namespace quintara
