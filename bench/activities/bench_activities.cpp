// Prints name=value lines: the session watcher's first scan of a large log beside a scan that
// parses every line, an idle tick with 20 recent files, and one chat app poll over a window of
// 5000 accessible elements whose stop button the search reaches last.
//
//   bench_activities CHAT_WINDOW   (inside a session bus and an X display: see bench/activities)
#include "activities/ChatAppWatcher.h"
#include "activities/CodexSessionWatcher.h"
#include "platform/Scheduler.h"
#include "platform/WorkQueue.h"
#include "platform/linux/AtSpiBus.h"
#include "platform/linux/AtSpiTree.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>
#include <cstdio>
#include <ctime>
#include <functional>
#include <vector>

using namespace quintara;

namespace {

void print(const char *name, double value)
{
    std::printf("%s=%.3f\n", name, value);
    std::fflush(stdout);
}

double cpuMs(clockid_t clock)
{
    timespec now;
    clock_gettime(clock, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// Median of `runs` measurements of `work`: wall milliseconds, and processor milliseconds of
// `clock` in `cpu`.
double median(int runs, const std::function<void()> &work, double *cpu,
              clockid_t clock = CLOCK_THREAD_CPUTIME_ID)
{
    std::vector<double> wall, used;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        const double start = cpuMs(clock);
        timer.start();
        work();
        wall.push_back(double(timer.nsecsElapsed()) / 1e6);
        used.push_back(cpuMs(clock) - start);
    }
    std::sort(wall.begin(), wall.end());
    std::sort(used.begin(), used.end());
    *cpu = used[used.size() / 2];
    return wall[wall.size() / 2];
}

QString dayFolder(const QString &root)
{
    const QDate today = QDate::currentDate();
    return root + QString::asprintf("/%04d/%02d/%02d", today.year(), today.month(), today.day());
}

QByteArray line(const QJsonObject &payload, const char *type)
{
    return QJsonDocument(QJsonObject{{"timestamp", "2025-03-10T12:00:00.000Z"},
                                     {"type", type},
                                     {"payload", payload}})
               .toJson(QJsonDocument::Compact) +
           '\n';
}

// A session log shaped like a long agent session: one session_meta, then mostly tool calls,
// their output and reasoning, with a user prompt and task events now and then.
qint64 writeSessionLog(const QString &path, qint64 size)
{
    QRandomGenerator random(42);
    auto text = [&random](int length) {
        static const QByteArray words[] = {
            "src/", "return ", "const ", "auto ", "{\n",     "}\n", "error: ",  "test ", "passed ",
            "if (", ") ",      "  ",     "value", "QString", "; ",  "\"name\"", "\\t",   "0x1f"};
        QByteArray out;
        while (out.size() < length)
            out += words[random.bounded(int(std::size(words)))];
        return QString::fromLatin1(out);
    };
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    qint64 written = file.write(
        line({{"id", "s"}, {"originator", "codex_cli_rs"}, {"cwd", "/w"}}, "session_meta"));
    for (int n = 0; written < size; ++n) {
        QByteArray record;
        switch (n % 10) {
        case 0:
        case 1:
        case 2:
            record = line({{"type", "function_call"},
                           {"name", "shell"},
                           {"call_id", "call_1"},
                           {"arguments", "{\"command\":[\"bash\",\"-lc\",\"" + text(120) + "\"]}"}},
                          "response_item");
            break;
        case 3:
        case 4:
        case 5:
        case 6:
            record = line({{"type", "function_call_output"},
                           {"call_id", "call_1"},
                           {"output", text(500 + random.bounded(8000))}},
                          "response_item");
            break;
        case 7:
        case 8:
            record = line({{"type", "reasoning"},
                           {"summary",
                            QJsonArray{QJsonObject{{"type", "summary_text"}, {"text", text(200)}}}},
                           {"encrypted_content", QString(random.bounded(1500, 4000), 'A')}},
                          "response_item");
            break;
        default:
            if (n % 200 == 9)
                record = line({{"type", "user_message"}, {"message", text(100)}}, "event_msg") +
                         line({{"type", "task_started"}}, "event_msg");
            else if (n % 200 == 199)
                record = line({{"type", "task_complete"}, {"last_agent_message", text(300)}},
                              "event_msg");
            else
                record = line({{"type", "token_count"}, {"info", QJsonObject{{"total", n}}}},
                              "event_msg");
        }
        written += file.write(record);
    }
    return written;
}

void benchSessions()
{
    QTemporaryDir root;
    const QString day = dayFolder(root.path());
    QDir().mkpath(day);
    const qint64 size = writeSessionLog(day + "/rollout-big.jsonl", 100 << 20);

    auto firstScan = [&root](CodexSessionWatcher::Reading reading) {
        CodexSessionWatcher watcher(defaultScheduler(), root.path());
        watcher.setReading(reading);
        watcher.scan(true);
    };
    double cpu = 0, naiveCpu = 0;
    firstScan(CodexSessionWatcher::Reading::prefiltered); // into the page cache
    const double wall = median(
        5, [&] { firstScan(CodexSessionWatcher::Reading::prefiltered); }, &cpu);
    const double naive = median(
        3, [&] { firstScan(CodexSessionWatcher::Reading::everyLine); }, &naiveCpu);
    print("initial_scan_mb", double(size) / (1 << 20));
    print("initial_scan_ms", wall);
    print("initial_scan_cpu_ms", cpu);
    print("initial_scan_naive_ms", naive);
    print("initial_scan_naive_cpu_ms", naiveCpu);
    // On a busy machine wall time counts other processes' turns too; processor time does not.
    print("initial_scan_cpu_mb_per_s", double(size) / (1 << 20) / (cpu / 1000));
    print("initial_scan_mb_per_s", double(size) / (1 << 20) / (wall / 1000));
    print("initial_scan_vs_naive", naive / wall);

    // An idle tick: 20 recent files, nothing new in any of them.
    QTemporaryDir idleRoot;
    const QString idleDay = dayFolder(idleRoot.path());
    QDir().mkpath(idleDay);
    for (int i = 0; i < 20; ++i)
        writeSessionLog(idleDay + QStringLiteral("/rollout-%1.jsonl").arg(i), 64 << 10);
    CodexSessionWatcher watcher(defaultScheduler(), idleRoot.path());
    watcher.scan(true);
    median(
        1000, [&] { watcher.scan(false); }, &cpu);
    print("idle_tick_us", cpu * 1000);
}

// Starts the accessibility bus of this session and a chat window on it.
class ChatSession {
public:
    explicit ChatSession(const QString &chatWindow)
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove("DISPLAY");
        environment.insert("XDG_RUNTIME_DIR", m_runtime.path());
        m_launcher.setProcessEnvironment(environment);
        m_launcher.start("/usr/libexec/at-spi-bus-launcher", {"--launch-immediately"});
        auto *bus = QDBusConnection::sessionBus().interface();
        for (int i = 0; i < 400 && !bus->isServiceRegistered("org.a11y.Bus"); ++i)
            QThread::msleep(50);
        AtSpiBus().enable();
        environment = QProcessEnvironment::systemEnvironment();
        environment.insert("QT_LINUX_ACCESSIBILITY_ALWAYS_ON", "1");
        m_window.setProcessEnvironment(environment);
        m_window.start(chatWindow);
        m_window.waitForReadyRead(30000);
        m_window.readAll();
        // The window itself, its two parts, 4996 labels and the button: 5000 elements.
        for (const char *command : {"filler 4996\n", "button Stop generating\n"}) {
            m_window.write(command);
            m_window.waitForReadyRead(60000);
            m_window.readAll();
        }
    }
    ~ChatSession()
    {
        m_window.write("quit\n");
        m_window.waitForFinished(10000);
        m_launcher.terminate();
        m_launcher.waitForFinished(10000);
    }

private:
    QTemporaryDir m_runtime;
    QProcess m_launcher;
    QProcess m_window;
};

void benchChatPoll(const QString &chatWindow)
{
    ChatSession session(chatWindow);
    auto tree = std::make_shared<AtSpiTree>();
    for (int i = 0; i < 600; ++i) {
        if (tree->isTrusted() && !tree->applications().isEmpty())
            break;
        QThread::msleep(50);
    }
    InlineWorkQueue queue;
    ChatAppWatcher watcher(defaultScheduler(), queue, tree);
    watcher.setApps({{"com.anthropic.claudefordesktop", "Claude"}});
    int reports = 0;
    QObject::connect(&watcher, &ChatAppWatcher::activity, [&reports] { ++reports; });
    watcher.poll();
    if (reports != 1)
        qFatal("the chat window was not found writing");
    double cpu = 0;
    const double wall = median(
        9, [&] { watcher.poll(); }, &cpu, CLOCK_PROCESS_CPUTIME_ID);
    print("chat_poll_wall_ms", wall);
    print("chat_poll_ms", cpu);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchSessions();
    if (argc > 1)
        benchChatPoll(QString::fromLocal8Bit(argv[1]));
    return 0;
}
