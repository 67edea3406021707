#include "TestMain.h"
#include "VirtualScheduler.h"
#include "activities/ActivityCenter.h"

using namespace quintara;
using namespace std::chrono_literals;

namespace {

// "key=value;key=value": a report of strings.
ActivityReport parse(const QString &text)
{
    ActivityReport report;
    for (const QString &pair : text.split(';', Qt::SkipEmptyParts))
        report.insert(pair.section('=', 0, 0), pair.section('=', 1));
    return report;
}

// "id:state:title" for every listed activity, newest first.
QStringList listed(const ActivityCenter &center)
{
    QStringList entries;
    for (const LiveActivity &a : center.activities())
        entries << QStringLiteral("%1:%2:%3%4")
                       .arg(a.id, rawValue(a.state), a.title,
                            a.detail ? "/" + *a.detail : QString());
    return entries;
}

} // namespace

class ActivityCenterTest : public QObject {
    Q_OBJECT

    test::VirtualScheduler m_clock;

private slots:
    void reports_data()
    {
        QTest::addColumn<QStringList>("reports");
        QTest::addColumn<QStringList>("expected");
        QTest::addColumn<QStringList>("events"); // "icon|subtitle|duration"
        const QString fix = "source=Claude Code;id=a;state=running;title=Fix tests";
        QTest::newRow("new running") << QStringList{fix} << QStringList{"a:running:Fix tests"}
                                     << QStringList{"sparkles|Claude Code|3"};
        QTest::newRow("the same again emits nothing")
            << QStringList{fix, fix} << QStringList{"a:running:Fix tests"}
            << QStringList{"sparkles|Claude Code|3"};
        QTest::newRow("bare state change keeps the title")
            << QStringList{fix, "source=Claude Code;id=b;title=Other",
                           "source=Claude Code;id=a;state=attention"}
            << QStringList{"a:attention:Fix tests", "b:running:Other"}
            << QStringList{"sparkles|Claude Code|3", "sparkles|Claude Code|3",
                           "exclamationmark.bubble.fill|Claude Code needs you|6"};
        QTest::newRow("no title for an unknown id")
            << QStringList{"source=X;id=a;state=running"} << QStringList{} << QStringList{};
        QTest::newRow("no title, same state")
            << QStringList{fix, "source=Claude Code;id=a;state=running"}
            << QStringList{"a:running:Fix tests"} << QStringList{"sparkles|Claude Code|3"};
        QTest::newRow("new title, same state: moved to the front, silent")
            << QStringList{fix, "source=X;id=b;title=B", fix.chopped(9) + "Fix all"}
            << QStringList{"a:running:Fix all", "b:running:B"}
            << QStringList{"sparkles|Claude Code|3", "sparkles|X|3"};
        QTest::newRow("unknown state reads as running")
            << QStringList{"source=X;state=paused;title=T"} << QStringList{"X:running:T"}
            << QStringList{"sparkles|X|3"};
        QTest::newRow("defaults") << QStringList{"title=T"} << QStringList{"Activity:running:T"}
                                  << QStringList{"sparkles|Activity|3"};
        QTest::newRow("detail kept until replaced")
            << QStringList{"source=X;title=T;detail=D", "source=X;title=U",
                           "source=X;state=done;detail=E"}
            << QStringList{"X:done:U/E"}
            << QStringList{"sparkles|X|3", "checkmark.circle.fill|X finished|4"};
    }
    void reports()
    {
        QFETCH(QStringList, reports);
        QFETCH(QStringList, expected);
        QFETCH(QStringList, events);
        ActivityCenter center(m_clock);
        QStringList seen;
        connect(&center, &ActivityCenter::eventRaised, this, [&seen](const IslandEvent &e) {
            seen << QStringLiteral("%1|%2|%3").arg(e.icon, e.subtitle.value_or("")).arg(e.duration);
        });
        for (const QString &report : reports)
            center.report(parse(report));
        QCOMPARE(listed(center), expected);
        QCOMPARE(seen, events);
    }

    void nonStringValuesCountAsMissing()
    {
        ActivityCenter center(m_clock);
        center.report({{"source", 7}, {"id", QStringList{"x"}}, {"title", "T"}, {"detail", 1.5}});
        QCOMPARE(listed(center), QStringList{"Activity:running:T"});
    }

    void doneEntriesExpireAfterEightSeconds_data()
    {
        QTest::addColumn<QStringList>("later"); // "seconds after the first done|report"
        QTest::addColumn<QStringList>("at8s");
        QTest::newRow("alone") << QStringList{} << QStringList{};
        QTest::newRow("a second done does not extend it")
            << QStringList{"5|source=X;id=a;state=done;title=Again"} << QStringList{};
        QTest::newRow("running again is kept")
            << QStringList{"3|source=X;id=a;state=running"} << QStringList{"a:running:T"};
        QTest::newRow("running and done again: the first expiry still takes it")
            << QStringList{"2|source=X;id=a;state=running", "6|source=X;id=a;state=done"}
            << QStringList{};
    }
    void doneEntriesExpireAfterEightSeconds()
    {
        QFETCH(QStringList, later);
        QFETCH(QStringList, at8s);
        ActivityCenter center(m_clock);
        center.report(parse("source=X;id=a;state=done;title=T"));
        QVERIFY(!center.currentActivity());
        std::chrono::milliseconds elapsed{0};
        for (const QString &step : later) {
            const std::chrono::milliseconds at(step.section('|', 0, 0).toInt() * 1000);
            m_clock.advance(at - elapsed);
            elapsed = at;
            center.report(parse(step.section('|', 1)));
        }
        m_clock.advance(7999ms - elapsed);
        QCOMPARE(center.activities().size(), 1);
        m_clock.advance(1ms);
        QCOMPARE(listed(center), at8s);
    }

    void currentActivity()
    {
        ActivityCenter center(m_clock);
        center.report(parse("source=X;id=d;state=done;title=D"));
        QVERIFY(!center.currentActivity());
        center.report(parse("source=X;id=n;state=attention;title=N"));
        center.report(parse("source=X;id=r;title=R"));
        QCOMPARE(center.currentActivity()->id, "n");
        center.report(parse("source=X;id=n;state=done"));
        QCOMPARE(center.currentActivity()->id, "r");
    }

    void switchingSourcesOff()
    {
        ActivityCenter center(m_clock);
        for (const char *report : {"source=Claude;id=c1;title=A", "source=Codex;id=x;title=B",
                                   "source=Claude;id=c2;title=C", "source=MyTool;id=m;title=D"})
            center.report(parse(report));
        center.musicChanged("player", MusicApp::music,
                            {{"Player State", "Playing"}, {"Name", "Song"}});
        QVERIFY(center.nowPlaying());

        center.setEnabledSources({IslandSource::music, IslandSource::chatGPT});
        QCOMPARE(listed(center), (QStringList{"m:running:D", "x:running:B"}));
        QVERIFY(center.nowPlaying());
        center.setEnabledSources({IslandSource::claudeApp});
        QCOMPARE(listed(center), QStringList{"m:running:D"});
        QVERIFY(!center.nowPlaying());
        QVERIFY(center.artwork().isNull());

        // Reports and tracks of switched-off sources are ignored; others are always taken.
        center.report(parse("source=Codex;id=y;title=E"));
        center.report(parse("source=Claude;id=c3;title=F"));
        center.musicChanged("player", MusicApp::music,
                            {{"Player State", "Playing"}, {"Name", "Song"}});
        QCOMPARE(listed(center), (QStringList{"c3:running:F", "m:running:D"}));
        QVERIFY(!center.nowPlaying());
    }
};

QUINTARA_TEST_MAIN(ActivityCenterTest)
#include "tst_activitycenter.moc"
