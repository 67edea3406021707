#include "activities/LiveActivity.h"

namespace quintara {

std::optional<QString> reportString(const ActivityReport &report, const char *key)
{
    const auto found = report.constFind(QLatin1String(key));
    if (found == report.constEnd() || found->typeId() != QMetaType::QString)
        return std::nullopt;
    return found->toString();
}

std::optional<IslandSource> islandSourceForActivity(const QString &name)
{
    if (name == QLatin1String("Claude Code"))
        return IslandSource::claudeCode;
    if (name == QLatin1String("ChatGPT") || name == QLatin1String("Codex"))
        return IslandSource::chatGPT;
    if (name == QLatin1String("Claude"))
        return IslandSource::claudeApp;
    return std::nullopt;
}

QString rawValue(LiveActivity::State state)
{
    switch (state) {
    case LiveActivity::State::running:
        return QStringLiteral("running");
    case LiveActivity::State::done:
        return QStringLiteral("done");
    case LiveActivity::State::attention:
        return QStringLiteral("attention");
    }
    return {};
}

LiveActivity::State activityStateFromRaw(const QString &raw)
{
    if (raw == QLatin1String("done"))
        return LiveActivity::State::done;
    if (raw == QLatin1String("attention"))
        return LiveActivity::State::attention;
    return LiveActivity::State::running;
}

} // namespace quintara
