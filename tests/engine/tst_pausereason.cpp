#include "TestMain.h"
#include "engine/PauseReason.h"

using namespace quintara;

class PauseReasonTest : public QObject {
    Q_OBJECT

private slots:
    void texts_data()
    {
        QTest::addColumn<int>("reason");
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("island");
        QTest::newRow("user") << int(PauseReason::user) << "Paused"
                              << "Paused";
        QTest::newRow("hidden") << int(PauseReason::hidden) << "Paused while covered"
                                << "Paused while covered";
        QTest::newRow("asleep") << int(PauseReason::displaysAsleep) << "Paused, displays asleep"
                                << "Paused \u2014 displays asleep";
        QTest::newRow("battery") << int(PauseReason::battery) << "Paused on battery"
                                 << "Paused on battery";
        QTest::newRow("low power") << int(PauseReason::lowPower) << "Paused in Low Power Mode"
                                   << "Paused \u2014 Low Power Mode";
        QTest::newRow("hot") << int(PauseReason::hot) << "Paused while cooling down"
                             << "Paused while your Mac cools down";
    }
    void texts()
    {
        QFETCH(int, reason);
        QFETCH(QString, menu);
        QFETCH(QString, island);
        QCOMPARE(menuText(PauseReason(reason)), menu);
        QCOMPARE(islandText(PauseReason(reason)), island);
    }
};

QUINTARA_TEST_MAIN(PauseReasonTest)
#include "tst_pausereason.moc"
