// A session log as the watcher finds it: appended to in two parts split anywhere, and read with
// or without the cheap look at each line, it always ends at the report of reading it whole.
#include "FuzzSupport.h"
#include "activities/CodexSessionWatcher.h"

#include <QDir>
#include <QFile>

using namespace quintara;

namespace {

std::optional<ActivityReport> lastReport(const QByteArray &contents, qsizetype split,
                                         CodexSessionWatcher::Reading reading)
{
    // A fixed day, so that no run straddles midnight; the file is dated to match.
    const QDateTime now(QDate(2026, 3, 1), QTime(10, 0));
    const QString root = fuzz::environment().home() + QStringLiteral("/sessions");
    const QString folder = root + now.date().toString(QStringLiteral("/yyyy/MM/dd"));
    QDir().mkpath(folder);
    QFile file(folder + QStringLiteral("/rollout-2026-03-01T10-00-00-0123456789ab.jsonl"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
        fuzz::fail("cannot write the session log", __FILE__, __LINE__);

    CodexSessionWatcher watcher(defaultScheduler(), root, [now] { return now; });
    watcher.setReading(reading);
    std::optional<ActivityReport> last;
    QObject::connect(&watcher, &CodexSessionWatcher::activity,
                     [&last](const ActivityReport &report) { last = report; });
    for (const QByteArray &part : {contents.left(split), contents.mid(split)}) {
        file.write(part);
        file.setFileTime(now, QFileDevice::FileModificationTime);
        watcher.scan(false);
    }
    return last;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray contents(reinterpret_cast<const char *>(data + 1), qsizetype(size - 1));
    const qsizetype split = contents.size() * data[0] / 255;
    using Reading = CodexSessionWatcher::Reading;
    const std::optional<ActivityReport> whole =
        lastReport(contents, contents.size(), Reading::everyLine);
    FUZZ_CHECK(lastReport(contents, split, Reading::prefiltered) == whole);
    return 0;
}
