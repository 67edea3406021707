// Reports from outside: each JSON object of the input is taken as the event a coding agent's
// hook writes to 'quintara activity --from-hook', and as a report dictionary posted on the
// session bus. The center keeps one activity per id, never an untitled one, and its newest
// activity, reported again to a fresh center, comes back the same.
#include "FuzzSupport.h"
#include "activities/ActivityCenter.h"
#include "activities/HookReport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QSet>

using namespace quintara;

namespace {

ActivityReport asReport(const LiveActivity &activity)
{
    ActivityReport report{{reportKey::id, activity.id},
                          {reportKey::source, activity.source},
                          {reportKey::state, rawValue(activity.state)},
                          {reportKey::title, activity.title}};
    if (activity.detail)
        report.insert(reportKey::detail, *activity.detail);
    return report;
}

void apply(ActivityCenter &center, const ActivityReport &report)
{
    center.report(report);
    QSet<QString> ids;
    for (const LiveActivity &activity : center.activities()) {
        FUZZ_CHECK(!activity.title.isEmpty());
        ids.insert(activity.id);
    }
    FUZZ_CHECK(ids.size() == center.activities().size());
    if (center.activities().isEmpty())
        return;
    LiveActivity newest = center.activities().first();
    ActivityCenter fresh(defaultScheduler());
    fresh.report(asReport(newest));
    FUZZ_CHECK(fresh.activities().size() == 1);
    newest.updated = fresh.activities().first().updated;
    FUZZ_CHECK(fresh.activities().first() == newest);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::environment();
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray::fromRawData(reinterpret_cast<const char *>(data), qsizetype(size)));
    const QJsonArray objects =
        document.isObject() ? QJsonArray{document.object()} : document.array();
    ActivityCenter center(defaultScheduler());
    for (const QJsonValue &value : objects) {
        if (const std::optional<ActivityReport> hook = reportFromHook(value.toObject())) {
            FUZZ_CHECK(reportString(*hook, reportKey::source) == QStringLiteral("Claude Code"));
            apply(center, *hook);
        }
        apply(center, value.toObject().toVariantMap());
    }
    return 0;
}
