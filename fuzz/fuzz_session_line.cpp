// One line of a coding agent's session log. The cheap look at its bytes never turns away a
// line the reader would have used, and what the reader makes of a line is a whole report.
#include "FuzzSupport.h"
#include "activities/SessionLog.h"

using namespace quintara;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::environment();
    // The watcher hands over lines without their line feed, and never an empty one.
    QByteArrayView line(data, qsizetype(size));
    if (const qsizetype feed = line.indexOf('\n'); feed >= 0)
        line = line.first(feed);
    if (line.isEmpty())
        return 0;
    const QString path = QStringLiteral("/s/rollout-2026-03-01T10-00-00-0123456789ab.jsonl");
    SessionLog log(path), untouched(path);
    const std::optional<ActivityReport> report = log.read(line);
    if (report) {
        const std::optional<QString> title = reportString(*report, reportKey::title);
        FUZZ_CHECK(title && !title->isEmpty() && !title->contains(QLatin1Char('\n')));
        FUZZ_CHECK(reportString(*report, reportKey::id) == QStringLiteral("codex-0123456789ab"));
    }
    // What a line leaves behind (the prompt, the source) shows in the next task's report.
    const QByteArray next = R"({"type":"event_msg","payload":{"type":"task_started"}})";
    const std::optional<ActivityReport> after = log.read(next);
    if (!mayBeSessionRecord(line))
        FUZZ_CHECK(!report && after == untouched.read(next));
    return 0;
}
