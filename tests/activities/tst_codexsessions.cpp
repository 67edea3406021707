#include "Rows.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "activities/CodexSessionWatcher.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <memory>

using namespace quintara;
using L = QStringList;
using Lines = QByteArrayList;

namespace {

const QDateTime now(QDate(2025, 3, 10), QTime(12, 0));

QByteArray record(const QString &type, const QJsonObject &payload)
{
    return QJsonDocument(QJsonObject{{"type", type}, {"payload", payload}})
        .toJson(QJsonDocument::Compact);
}

QByteArray eventLine(const QString &type, QJsonObject payload = {})
{
    payload["type"] = type;
    return record("event_msg", payload);
}

QByteArray userMessage(const QString &text)
{
    return eventLine("user_message", {{"message", text}});
}

} // namespace

class CodexSessionsTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_root;
    test::VirtualScheduler m_clock;

    QString day(int daysAgo = 0) const
    {
        const QDate date = now.date().addDays(-daysAgo);
        return m_root.path() +
               QString::asprintf("/%04d/%02d/%02d/", date.year(), date.month(), date.day());
    }
    // Appends `bytes` to the session file and marks it modified `age` seconds before now.
    void write(const QString &path, const QByteArray &bytes, int age = 60)
    {
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        QVERIFY(file.open(QIODevice::Append));
        file.write(bytes);
        file.close();
        QVERIFY(file.open(QIODevice::Append));
        QVERIFY(file.setFileTime(now.addSecs(-age), QFileDevice::FileModificationTime));
    }
    // "id|source|state|title" for each report of one scan.
    static QStringList scan(CodexSessionWatcher &watcher, bool initial = false)
    {
        QStringList reports;
        QObject guard;
        QObject::connect(&watcher, &CodexSessionWatcher::activity, &guard,
                         [&reports](const ActivityReport &r) {
                             reports << L{r["id"].toString(), r["source"].toString(),
                                          r["state"].toString(), r["title"].toString()}
                                            .join('|');
                         });
        watcher.scan(initial);
        return reports;
    }
    std::unique_ptr<CodexSessionWatcher> watcher()
    {
        return std::make_unique<CodexSessionWatcher>(m_clock, m_root.path(), [] { return now; });
    }

private slots:
    void init()
    {
        QVERIFY(QDir(m_root.path()).removeRecursively() && QDir().mkpath(m_root.path()));
    }

    void records_data()
    {
        const auto rows = test::rows<std::pair<Lines, QString>>(); // lines: report
        const auto row = [&](const char *name, const Lines &lines, const QString &report) {
            rows(name, {lines, "codex-0123456789ab|" + report});
        };
        const QByteArray started = eventLine("task_started");
        const QString accented = QString("e") + QChar(0x301); // one character, two code units
        row("prompt, then started", {userMessage("Refactor the parser"), started},
            "Codex|running|Refactor the parser");
        row("long prompt", {userMessage(accented.repeated(100)), started},
            "Codex|running|" + accented.repeated(70) + QChar(0x2026));
        row("empty first line", {userMessage("\n\r\n  Second line \u2028third"), started},
            "Codex|running|Second line");
        row("blank first line", {userMessage(" \t \nSecond"), started},
            "Codex|running|Working on it");
        row("finished without a message", {started, eventLine("task_complete")},
            "Codex|done|Reply ready");
        row("finished", {eventLine("task_complete", {{"last_agent_message", "Done.\nMore"}})},
            "Codex|done|Done.");
        row("desktop session", {record("session_meta", {{"originator", "codex_desktop"}}), started},
            "ChatGPT|running|Working on it");
        const auto message = [](const char *role, const QJsonArray &content) {
            return record("response_item",
                          {{"type", "message"}, {"role", role}, {"content", content}});
        };
        row("typed prompt, not the context in angle brackets",
            {message("user", {QJsonObject{{"text", "Fix it"}}, QJsonObject{{"text", "<env>"}}}),
             message("assistant", {QJsonObject{{"text", "No"}}}), started},
            "Codex|running|Fix it");
        row("odd lines are skipped",
            {"not json", "[1]", "{\"type\":\"event_msg\",\"payload\":\"x\"}",
             "{\"type\":7,\"payload\":{\"type\":\"task_complete\"}}", started},
            "Codex|running|Working on it");
    }
    void records()
    {
        const auto &[lines, report] = test::row<std::pair<Lines, QString>>();
        write(day() + "rollout-2025-0123456789ab.jsonl", lines.join('\n') + '\n');
        QCOMPARE(scan(*watcher()), L{report});
    }

    void files()
    {
        const QByteArray started = eventLine("task_started") + '\n';
        write(day() + "abc.jsonl", started);
        write(day(1) + "yesterday.jsonl", started);
        write(day() + "old.jsonl", started, 900);
        write(day(2) + "before.jsonl", started);
        write(day() + "notes.json", started);
        auto w = watcher();
        QCOMPARE(w->recentFiles(), (L{day() + "abc.jsonl", day(1) + "yesterday.jsonl"}));
        QCOMPARE(scan(*w), (L{"codex-abc|Codex|running|Working on it",
                              "codex-yesterday|Codex|running|Working on it"}));
        // Nothing new: nothing reported.
        QCOMPARE(scan(*w), L{});
    }

    void appendedInTwoWrites()
    {
        const QString path = day() + "session.jsonl";
        const QByteArray done = eventLine("task_complete", {{"last_agent_message", "All green"}});
        write(path, eventLine("task_started") + '\n' + done.left(20));
        auto w = watcher();
        QCOMPARE(scan(*w), L{"codex-session|Codex|running|Working on it"});
        QCOMPARE(scan(*w), L{});
        write(path, done.mid(20) + '\n');
        QCOMPARE(scan(*w), L{"codex-session|Codex|done|All green"});
    }

    void firstScanReportsOnlySessionsAtWork()
    {
        write(day() + "finished.jsonl",
              eventLine("task_started") + '\n' + eventLine("task_complete") + '\n');
        write(day() + "working.jsonl", userMessage("Go") + '\n' + eventLine("task_started") + '\n');
        auto w = watcher();
        QStringList titles;
        connect(w.get(), &CodexSessionWatcher::activity, this,
                [&titles](const ActivityReport &r) { titles << r["title"].toString(); });
        w->start();
        QVERIFY(w->isRunning());
        QCOMPARE(titles, L{"Go"});
        // Later scans run every two seconds and report every change.
        write(day() + "finished.jsonl",
              userMessage("Again") + '\n' + eventLine("task_started") + '\n');
        m_clock.advance(std::chrono::milliseconds(1999));
        QCOMPARE(titles, L{"Go"});
        m_clock.advance(std::chrono::milliseconds(1));
        QCOMPARE(titles, (L{"Go", "Again"}));
        w->stop();
        write(day() + "working.jsonl", eventLine("task_complete") + '\n');
        m_clock.advance(std::chrono::seconds(10));
        QCOMPARE(titles, (L{"Go", "Again"}));
        // Started again, it resumes where it stopped, and its first scan reports only work.
        w->start();
        QCOMPARE(titles, (L{"Go", "Again"}));
    }

    // The cheap look at raw bytes never turns away a line the parse would have used: every file
    // reads the same with and without it, line after line.
    void prefilterLosesNothing()
    {
        QFile file(QFINDTESTDATA("fixtures/session_lines.jsonl"));
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QByteArrayList tricky = file.readAll().split('\n');
        QRandomGenerator random(7);
        const QString path = day() + "mixed.jsonl";
        auto quick = watcher();
        auto full = watcher();
        full->setReading(CodexSessionWatcher::Reading::everyLine);
        for (int round = 0; round < 300; ++round) {
            write(path, tricky.at(random.bounded(tricky.size())) + '\n');
            QCOMPARE(scan(*quick), scan(*full));
        }
    }
};

QUINTARA_TEST_MAIN(CodexSessionsTest)
#include "tst_codexsessions.moc"
