#include "Rows.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "activities/ActivityCenter.h"
#include "platform/linux/DBusBroadcast.h"

#include <QProcess>

using namespace quintara;
using L = QStringList;

// `quintara activity` as scripts and agent hooks run it, heard by a center on the session bus.
class ActivityCommandTest : public QObject {
    Q_OBJECT

    test::VirtualScheduler m_clock;
    DBusBroadcast m_broadcast;
    ActivityCenter m_center{m_clock, {&m_broadcast, nullptr, nullptr}};
    QList<QVariantMap> m_heard;

    // Runs the command; returns its exit code and fills `error` with what it printed there.
    int run(const QStringList &arguments, const QByteArray &input, QString *error = nullptr,
            const QString &bus = {})
    {
        QProcess process;
        if (!bus.isEmpty()) {
            QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
            environment.insert("DBUS_SESSION_BUS_ADDRESS", bus);
            process.setProcessEnvironment(environment);
        }
        process.start(qEnvironmentVariable("QUINTARA_BINARY"), L{"activity"} + arguments);
        process.write(input);
        process.closeWriteChannel();
        if (!process.waitForFinished(30000))
            return -1;
        if (error)
            *error = QString::fromLocal8Bit(process.readAllStandardError());
        if (process.exitCode() == 0 && !process.readAllStandardOutput().isEmpty())
            return -2; // a hook's output would reach the agent
        return process.exitCode();
    }

private slots:
    void initTestCase()
    {
        QVERIFY(m_broadcast.listen());
        connect(&m_broadcast, &Broadcast::received, this,
                [this](const QVariantMap &report) { m_heard << report; });
    }
    void init() { m_heard.clear(); }

    // Accepted, the report carries each option by its name, the state running unless given.
    void arguments_data()
    {
        const auto row = test::rows<std::tuple<QStringList, int>>();
        row("everything", {L{"--source", "Build", "--id", "b1", "--state", "attention", "--title",
                             "Compile", "--detail", "3 warnings"},
                           0});
        row("the least", {L{"--source", "S", "--title", "T"}, 0});
        row("unknown state", {L{"--source", "S", "--title", "T", "--state", "paused"}, 2});
        row("no source", {L{"--title", "T"}, 2});
    }
    void arguments()
    {
        const auto &[arguments, exitCode] = test::row<std::tuple<QStringList, int>>();
        QString error;
        QCOMPARE(run(arguments, {}, &error), exitCode);
        if (exitCode != 0) {
            QVERIFY2(error.contains("quintara activity --help"), qPrintable(error));
            return;
        }
        QVariantMap report{{"state", "running"}};
        for (qsizetype i = 0; i + 1 < arguments.size(); i += 2)
            report.insert(arguments[i].mid(2), arguments[i + 1]);
        QTRY_COMPARE(m_heard.size(), 1);
        QCOMPARE(m_heard.first(), report);
    }

    void hookEvents_data()
    {
        // listed: the center's entry afterwards: "state:title/detail"
        const auto row = test::rows<std::tuple<QByteArray, int, QString>>();
        const QString done = "done:Fix the flaky test/Claude needs your permission to use Bash";
        row("prompt submitted",
            {QByteArray(
                 R"({"session_id":"s1","hook_event_name":"UserPromptSubmit","prompt":"Fix the flaky test\nthen push","cwd":"/w"})"),
             0, "running:Fix the flaky test"});
        row("notification",
            {QByteArray(
                 R"({"session_id":"s1","hook_event_name":"Notification","message":"Claude needs your permission to use Bash"})"),
             0, "attention:Fix the flaky test/Claude needs your permission to use Bash"});
        row("stop",
            {QByteArray(R"({"session_id":"s1","hook_event_name":"Stop","stop_hook_active":false})"),
             0, done});
        row("another event",
            {QByteArray(R"({"session_id":"s1","hook_event_name":"PreToolUse"})"), 0, done});
        row("not JSON", {QByteArray("{oops"), 1, done});
    }
    // The rows run in order against one center, like one session's hooks.
    void hookEvents()
    {
        const auto &[payload, exitCode, listed] = test::row<std::tuple<QByteArray, int, QString>>();
        QCOMPARE(run({"--from-hook"}, payload), exitCode);
        if (exitCode == 0 && !payload.contains("PreToolUse"))
            QTRY_COMPARE(m_heard.size(), 1);
        QCoreApplication::processEvents();
        // The arguments' reports are listed too, older.
        const LiveActivity activity = m_center.activities().first();
        QCOMPARE(activity.id, "claude-code-s1");
        QCOMPARE(activity.source, "Claude Code");
        QCOMPARE(rawValue(activity.state) + ":" + activity.title +
                     (activity.detail ? "/" + *activity.detail : QString()),
                 listed);
    }

    void withoutABus()
    {
        QString error;
        QCOMPARE(run({"--source", "S", "--title", "T"}, {}, &error, "unix:path=/nonexistent/bus"),
                 1);
        QVERIFY2(error.contains("no session bus"), qPrintable(error));
    }
};

QUINTARA_TEST_MAIN(ActivityCommandTest)
#include "tst_activitycommand.moc"
