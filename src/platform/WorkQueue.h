#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QThreadPool>
#include <functional>
#include <memory>

namespace quintara {

// A serial queue for work that must leave the main thread: each piece starts after the one
// posted before it has finished. Results come back to the main thread by value through `run`.
class WorkQueue {
public:
    using Work = std::function<void()>;

    virtual ~WorkQueue() = default;
    virtual void post(Work work) = 0;

    // Runs `work` on the queue, then `done` with its result on the main thread, unless
    // `context` has been destroyed by then.
    template <typename Result>
    void run(std::function<Result()> work, QObject *context, std::function<void(Result)> done)
    {
        QPointer<QObject> guard(context);
        post([this, work = std::move(work), guard, done = std::move(done)]() mutable {
            auto result = std::make_shared<Result>(work());
            deliver([guard, done, result] {
                if (guard)
                    done(std::move(*result));
            });
        });
    }

protected:
    // Brings `then` to the main thread.
    virtual void deliver(Work then) = 0;
};

// The real queue: one worker thread at most, which ends when the queue has been idle a while.
class ThreadWorkQueue final : public WorkQueue {
public:
    explicit ThreadWorkQueue(const QString &name);
    // Waits for the piece of work that is running; drops what has not started.
    ~ThreadWorkQueue() override;
    void post(Work work) override;

protected:
    void deliver(Work then) override;

private:
    QThreadPool m_pool;
};

// Runs everything at once on the calling thread: for tests, where the order of events must not
// depend on threads.
class InlineWorkQueue final : public WorkQueue {
public:
    void post(Work work) override { work(); }

protected:
    void deliver(Work then) override { then(); }
};

} // namespace quintara
