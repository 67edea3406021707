#include "TestMain.h"
#include "platform/WorkQueue.h"

#include <QThread>

using namespace quintara;

class WorkQueueTest : public QObject {
    Q_OBJECT

private slots:
    void workRunsInOrderOffTheMainThreadAndComesBack()
    {
        ThreadWorkQueue queue(QStringLiteral("test queue"));
        QObject context;
        using Ran = std::pair<int, bool>; // which piece, and whether it ran on the main thread
        QList<int> order;
        QList<bool> workOnMain, doneOnMain;
        for (int i = 0; i < 20; ++i)
            queue.run<Ran>(
                [i] {
                    return Ran{i, QThread::currentThread() == qApp->thread()};
                },
                &context,
                [&](Ran ran) {
                    order << ran.first;
                    workOnMain << ran.second;
                    doneOnMain << (QThread::currentThread() == qApp->thread());
                });
        QTRY_COMPARE(order.size(), 20);
        for (int i = 0; i < 20; ++i)
            QCOMPARE(order[i], i);
        QVERIFY(!workOnMain.contains(true));
        QVERIFY(!doneOnMain.contains(false));
    }

    void aResultForADestroyedContextIsDropped()
    {
        ThreadWorkQueue queue(QStringLiteral("test queue"));
        auto *context = new QObject;
        bool delivered = false;
        queue.run<int>([] { return 1; }, context, [&](int) { delivered = true; });
        delete context;
        bool after = false;
        QObject keeper;
        queue.run<int>([] { return 2; }, &keeper, [&](int) { after = true; });
        QTRY_VERIFY(after);
        QVERIFY(!delivered);
    }
};

QUINTARA_TEST_MAIN(WorkQueueTest)
#include "tst_workqueue.moc"
