#include "activities/HookReport.h"

#include "activities/SessionLog.h"

namespace quintara {

std::optional<ActivityReport> reportFromHook(const QJsonObject &payload)
{
    const QString event = payload.value(QLatin1String("hook_event_name")).toString();
    const QString session = payload.value(QLatin1String("session_id")).toString();
    ActivityReport report{
        {QLatin1String(reportKey::source), QStringLiteral("Claude Code")},
        {QLatin1String(reportKey::id), session.isEmpty()
                                           ? QStringLiteral("claude-code")
                                           : QStringLiteral("claude-code-") + session},
    };
    if (event == QLatin1String("UserPromptSubmit")) {
        const QJsonValue prompt = payload.value(QLatin1String("prompt"));
        report.insert(QLatin1String(reportKey::state), QStringLiteral("running"));
        report.insert(QLatin1String(reportKey::title),
                      snippet(prompt.isString() ? std::optional(prompt.toString()) : std::nullopt)
                          .value_or(QStringLiteral("Working on it")));
    } else if (event == QLatin1String("Stop")) {
        // No title: the activity keeps its prompt.
        report.insert(QLatin1String(reportKey::state), QStringLiteral("done"));
    } else if (event == QLatin1String("Notification")) {
        report.insert(QLatin1String(reportKey::state), QStringLiteral("attention"));
        const QJsonValue message = payload.value(QLatin1String("message"));
        if (message.isString())
            report.insert(QLatin1String(reportKey::detail), message.toString());
    } else {
        return std::nullopt;
    }
    return report;
}

} // namespace quintara
