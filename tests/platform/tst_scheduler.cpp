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
        scheduler.defer(nullptr, [&] { ran << "first"; });
        const auto cancelled = scheduler.defer(nullptr, [&] { ran << "cancelled"; });
        scheduler.defer(nullptr, [&] { ran << "second"; });
        scheduler.cancel(cancelled);
        QVERIFY(ran.isEmpty()); // never synchronously
        QTRY_COMPARE(ran, (QStringList{"first", "second"}));
        scheduler.cancel(cancelled); // again: nothing
    }

    void realSchedulerDropsTasksOfDestroyedContexts()
    {
        QtScheduler scheduler;
        bool ran = false;
        auto *context = new QObject;
        scheduler.defer(context, [&] { ran = true; });
        delete context;
        bool after = false;
        scheduler.defer(nullptr, [&] { after = true; });
        QTRY_VERIFY(after);
        QVERIFY(!ran);
    }

    void realSchedulerRepeatsUntilCancelled()
    {
        QtScheduler scheduler;
        int count = 0;
        Scheduler::TaskId id = 0;
        id = scheduler.every(0ms, nullptr, [&] {
            if (++count == 3)
                scheduler.cancel(id);
        });
        QTRY_COMPARE(count, 3);
        bool later = false;
        scheduler.defer(nullptr, [&] { later = true; });
        QTRY_VERIFY(later);
        QCOMPARE(count, 3);
    }

    void virtualClockRunsTasksInDueOrder()
    {
        test::VirtualScheduler clock;
        QStringList ran;
        clock.after(300ms, nullptr, [&] { ran << "300"; });
        clock.after(100ms, nullptr, [&] {
            ran << "100";
            // Scheduled while running and due before the target: runs in this advance.
            clock.after(50ms, nullptr, [&] { ran << "150"; });
        });
        clock.after(100ms, nullptr, [&] { ran << "100b"; });
        clock.advance(299ms);
        QCOMPARE(ran, (QStringList{"100", "100b", "150"}));
        QCOMPARE(clock.now(), 299ms);
        clock.advance(1ms);
        QCOMPARE(ran.last(), QStringLiteral("300"));
        QCOMPARE(clock.pendingCount(), std::size_t(0));
    }

    void virtualClockRepeatsAndCancels()
    {
        test::VirtualScheduler clock;
        int ticks = 0;
        const auto id = clock.every(2s, nullptr, [&] { ++ticks; });
        clock.advance(7s);
        QCOMPARE(ticks, 3);
        clock.cancel(id);
        clock.advance(10s);
        QCOMPARE(ticks, 3);

        bool ran = false;
        auto *context = new QObject;
        clock.after(1s, context, [&] { ran = true; });
        delete context;
        clock.advance(2s);
        QVERIFY(!ran);
    }
};

QUINTARA_TEST_MAIN(SchedulerTest)
#include "tst_scheduler.moc"
