#include "TestMain.h"
#include "VirtualScheduler.h"

using namespace quintara;
using namespace std::chrono_literals;

class SchedulerTest : public QObject {
    Q_OBJECT

private slots:
    void realSchedulerDefersToTheNextTurn()
    {
        QtScheduler scheduler;
        QStringList ran;
        auto *gone = new QObject;
        scheduler.defer(nullptr, [&] { ran << "first"; });
        scheduler.defer(gone, [&] { ran << "of a destroyed context"; });
        ScheduledTask cancelled = scheduler.after(0ms, nullptr, [&] { ran << "cancelled"; });
        ScheduledTask dropped = scheduler.after(0ms, nullptr, [&] { ran << "dropped"; });
        scheduler.defer(nullptr, [&] { ran << "second"; });
        delete gone;
        cancelled.cancel();
        dropped = ScheduledTask();
        QVERIFY(ran.isEmpty()); // never synchronously
        QTRY_COMPARE(ran, (QStringList{"first", "second"}));
        cancelled.cancel(); // again: nothing
    }

    void realSchedulerRepeatsUntilCancelled()
    {
        QtScheduler scheduler;
        int count = 0;
        ScheduledTask repeating;
        repeating = scheduler.every(0ms, nullptr, [&] {
            if (++count == 3)
                repeating.cancel();
        });
        QTRY_COMPARE(count, 3);
        bool later = false;
        scheduler.defer(nullptr, [&] { later = true; });
        QTRY_VERIFY(later);
        QCOMPARE(count, 3);
    }

    void realSchedulerLeavesNothingBehindOnALongLivedContext()
    {
        QtScheduler scheduler;
        // Counts who listens for its end: a task must not leave a connection behind.
        struct Context : QObject {
            int listeners() const { return receivers(SIGNAL(destroyed(QObject *))); }
        } context;
        const int listenersBefore = context.listeners();
        int ran = 0;
        std::vector<ScheduledTask> cancelled;
        for (int i = 0; i < 10000; ++i) {
            scheduler.defer(&context, [&] { ++ran; });
            cancelled.push_back(scheduler.after(0ms, &context, [] {}));
        }
        cancelled.clear();
        QTRY_COMPARE(ran, 10000);
        QCOMPARE(scheduler.pendingCount(), std::size_t(0));
        QCOMPARE(context.listeners(), listenersBefore);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCOMPARE(scheduler.findChildren<QTimer *>().size(), 0);
    }

    void virtualClockRunsTasksInDueOrder()
    {
        test::VirtualScheduler clock;
        QStringList ran;
        auto *gone = new QObject;
        clock.defer(300ms, nullptr, [&] { ran << "300"; });
        clock.defer(100ms, nullptr, [&] {
            ran << "100";
            // Scheduled while running and due before the target: runs in this advance.
            clock.defer(50ms, nullptr, [&] { ran << "150"; });
        });
        clock.defer(100ms, nullptr, [&] { ran << "100b"; });
        clock.defer(100ms, gone, [&] { ran << "of a destroyed context"; });
        delete gone;
        ScheduledTask ticks = clock.every(120ms, nullptr, [&] { ran << "tick"; });
        clock.advance(299ms);
        QCOMPARE(ran, (QStringList{"100", "100b", "tick", "150", "tick"}));
        QCOMPARE(clock.now(), 299ms);
        QVERIFY(ticks.isPending());
        ticks.cancel();
        QVERIFY(!ticks.isPending());
        clock.advance(1s);
        QCOMPARE(ran.last(), QStringLiteral("300"));
        QCOMPARE(clock.pendingCount(), std::size_t(0));
    }
};

QUINTARA_TEST_MAIN(SchedulerTest)
#include "tst_scheduler.moc"
