#include "Rows.h"
#include "TestMain.h"
#include "VirtualScheduler.h"
#include "activities/ChatAppWatcher.h"
#include "platform/WorkQueue.h"
#include "platform/linux/AtSpiBus.h"
#include "platform/linux/AtSpiTree.h"

#include <QDBusConnectionInterface>
#include <QProcess>

using namespace quintara;
using L = QStringList;

// Chat windows in processes of their own, read over a private accessibility bus the way the
// watcher reads a real app.
class ChatAppWatcherTest : public QObject {
    Q_OBJECT

    QTemporaryDir m_runtime;
    QProcess m_launcher;
    QProcess m_window;
    test::VirtualScheduler m_clock;
    InlineWorkQueue m_queue;
    std::shared_ptr<AtSpiTree> m_tree = std::make_shared<AtSpiTree>();
    ChatAppWatcher m_watcher{m_clock, m_queue, m_tree};
    QStringList m_reports;

    bool send(const QString &command)
    {
        m_window.write(command.toUtf8() + '\n');
        return answered();
    }
    // Each command is answered with one line, "ok".
    bool answered()
    {
        while (!m_window.canReadLine())
            if (!m_window.waitForReadyRead(30000))
                return false;
        return m_window.readLine() == "ok\n";
    }
    bool open(const QString &program, const QStringList &arguments = {})
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        m_window.setProcessEnvironment(environment);
        m_window.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_window.start(program, arguments);
        return answered();
    }
    // The accessibility bus lists an application called `name`.
    bool listed(const QString &name)
    {
        const auto running =
            m_tree->isTrusted() ? m_tree->applications() : QList<AccessibilityTree::Application>();
        return std::any_of(running.cbegin(), running.cend(),
                           [&name](const auto &a) { return a.name == name; });
    }
    void close()
    {
        if (m_window.state() != QProcess::NotRunning) {
            send("quit");
            if (!m_window.waitForFinished(10000))
                m_window.kill();
        }
    }
    QStringList poll()
    {
        m_reports.clear();
        m_clock.advance(ChatAppWatcher::interval);
        return m_reports;
    }

private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            QSKIP("the chat windows need an X display");
        // Neither on the display nor in the runtime folder shared with other tests.
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.insert("XDG_RUNTIME_DIR", m_runtime.path());
        m_launcher.setProcessEnvironment(environment);
        m_launcher.start("/usr/libexec/at-spi-bus-launcher", {"--launch-immediately"});
        QVERIFY(m_launcher.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(
            QDBusConnection::sessionBus().interface()->isServiceRegistered("org.a11y.Bus"), 20000);

        connect(&m_watcher, &ChatAppWatcher::activity, this, [this](const ActivityReport &r) {
            QCOMPARE(r["id"].toString(), "app-" + m_watcher.apps().first().bundleID);
            QCOMPARE(r["source"].toString(), m_watcher.apps().first().source);
            m_reports << r["state"].toString() + "|" + r["title"].toString();
        });
        m_watcher.setApps({{"com.anthropic.claudefordesktop", "Claude"}});
        m_watcher.start();
        // Until the service is switched on, nothing is read.
        QVERIFY(!m_tree->isTrusted());
        QVERIFY(open(QCoreApplication::applicationDirPath() + "/chat_window"));
        QVERIFY(send("button Stop generating"));
        QCOMPARE(poll(), L{});
        QVERIFY(AtSpiBus().enable());
        QTRY_VERIFY_WITH_TIMEOUT(listed("Claude"), 30000);
        QVERIFY(send("nobutton"));
    }
    void cleanupTestCase()
    {
        close();
        m_launcher.terminate();
        m_launcher.waitForFinished();
    }

    // The rows run in order against one window: "command;command" then one poll.
    void writing_data()
    {
        const auto row = test::rows<std::tuple<QString, QStringList>>();
        row("idle", {"", L{}});
        row("a stop button", {"button Stop generating", L{"running|Trip ideas"}});
        row("renamed while writing", {"title Trip ideas, day two", L{}});
        row("done, with the newer title", {"nobutton", L{"done|Trip ideas, day two"}});
        row("described, not labelled",
            {"title Trip ideas;described Stop generating", L{"running|Trip ideas"}});
        row("done", {"nobutton", L{"done|Trip ideas"}});
        row("untitled", {"title ;button STOP", L{"running|Writing a response"}});
        row("another label: done",
            {"title Trip ideas;button Stop recording", L{"done|Writing a response"}});
        row("last of 6000 examined",
            {"nobutton;filler 5996;button Stop generating", L{"running|Trip ideas"}});
        row("one too deep", {"filler 5997", L{"done|Trip ideas"}});
        row("found again", {"filler 0", L{"running|Trip ideas"}});
        row("stopped and started while writing", {"!stop;!start", L{"running|Trip ideas"}});
        row("quit while writing", {"quit", L{}});
    }
    void writing()
    {
        const auto &[commands, reports] = test::row<std::tuple<QString, QStringList>>();
        for (const QString &command : commands.split(';', Qt::SkipEmptyParts)) {
            if (command == "!stop") {
                m_watcher.stop();
                QVERIFY(m_watcher.generating().isEmpty());
                QCOMPARE(poll(), L{});
            } else if (command == "!start") {
                m_watcher.start();
            } else if (command == "quit") {
                close();
            } else {
                QVERIFY(send(command));
            }
        }
        QCOMPARE(poll(), reports);
        if (commands == "quit")
            QVERIFY(m_watcher.generating().isEmpty());
    }

    // GTK finds the push buttons itself, in one request.
    void applicationThatSearches()
    {
        close();
        m_watcher.setApps({{"com.openai.codex", "ChatGPT"}});
        QVERIFY(
            open("/usr/bin/python3", {QFINDTESTDATA("fixtures/gtk_chat_window.py"), "ChatGPT"}));
        QTRY_VERIFY_WITH_TIMEOUT(listed("ChatGPT"), 30000);
        for (const auto &application : m_tree->applications())
            if (application.name == "ChatGPT")
                QVERIFY(m_tree->pushButtons(m_tree->windows(application.element).first(), 10));
        QCOMPARE(poll(), L{});
        QVERIFY(send("button Stop response"));
        QCOMPARE(poll(), L{"running|Trip ideas"});
        QVERIFY(send("nobutton"));
        QCOMPARE(poll(), L{"done|Trip ideas"});
    }
};

QUINTARA_TEST_MAIN(ChatAppWatcherTest)
#include "tst_chatappwatcher.moc"
