#include "Rows.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "activities/ActivityCenter.h"

using namespace quintara;
using L = QStringList;
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
        // events: "icon|subtitle|duration"
        const auto row = test::rows<std::tuple<QStringList, QStringList, QStringList>>();
        const QString fix = "source=Claude Code;id=a;state=running;title=Fix tests";
        row("new running", {L{fix}, L{"a:running:Fix tests"}, L{"sparkles|Claude Code|3"}});
        row("the same again emits nothing",
            {L{fix, fix}, L{"a:running:Fix tests"}, L{"sparkles|Claude Code|3"}});
        row("bare state change keeps the title",
            {L{fix, "source=Claude Code;id=b;title=Other",
               "source=Claude Code;id=a;state=attention"},
             L{"a:attention:Fix tests", "b:running:Other"},
             L{"sparkles|Claude Code|3", "sparkles|Claude Code|3",
               "exclamationmark.bubble.fill|Claude Code needs you|6"}});
        row("no title for an unknown id", {L{"source=X;id=a;state=running"}, L{}, L{}});
        row("new title, same state: moved to the front, silent",
            {L{fix, "source=X;id=b;title=B", fix.chopped(9) + "Fix all"},
             L{"a:running:Fix all", "b:running:B"}, L{"sparkles|Claude Code|3", "sparkles|X|3"}});
        row("unknown state reads as running",
            {L{"source=X;state=paused;title=T"}, L{"X:running:T"}, L{"sparkles|X|3"}});
        row("defaults", {L{"title=T"}, L{"Activity:running:T"}, L{"sparkles|Activity|3"}});
        row("detail kept until replaced",
            {L{"source=X;title=T;detail=D", "source=X;title=U", "source=X;state=done;detail=E"},
             L{"X:done:U/E"}, L{"sparkles|X|3", "checkmark.circle.fill|X finished|4"}});
    }
    void reports()
    {
        const auto &[reports, expected, events] =
            test::row<std::tuple<QStringList, QStringList, QStringList>>();
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
        center.report({{"source", 7}, {"id", L{"x"}}, {"title", "T"}, {"detail", 1.5}});
        QCOMPARE(listed(center), L{"Activity:running:T"});
    }

    void doneEntriesExpireAfterEightSeconds_data()
    {
        // later: "seconds after the first done|report"
        const auto row = test::rows<std::tuple<QStringList, QStringList>>();
        row("alone", {L{}, L{}});
        row("a second done does not extend it", {L{"5|source=X;id=a;state=done;title=Again"}, L{}});
        row("running again is kept", {L{"3|source=X;id=a;state=running"}, L{"a:running:T"}});
        row("running and done again: the first expiry still takes it",
            {L{"2|source=X;id=a;state=running", "6|source=X;id=a;state=done"}, L{}});
    }
    void doneEntriesExpireAfterEightSeconds()
    {
        const auto &[later, at8s] = test::row<std::tuple<QStringList, QStringList>>();
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
        QCOMPARE(listed(center), (L{"m:running:D", "x:running:B"}));
        QVERIFY(center.nowPlaying());
        center.setEnabledSources({IslandSource::claudeApp});
        QCOMPARE(listed(center), L{"m:running:D"});
        QVERIFY(!center.nowPlaying());
        QVERIFY(center.artwork().isNull());

        // Reports and tracks of switched-off sources are ignored; others are always taken.
        center.report(parse("source=Codex;id=y;title=E"));
        center.report(parse("source=Claude;id=c3;title=F"));
        center.musicChanged("player", MusicApp::music,
                            {{"Player State", "Playing"}, {"Name", "Song"}});
        QCOMPARE(listed(center), (L{"c3:running:F", "m:running:D"}));
        QVERIFY(!center.nowPlaying());
    }
};

QUINTARA_TEST_MAIN(ActivityCenterTest)
#include "tst_activitycenter.moc"
