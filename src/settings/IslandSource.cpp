#include "settings/IslandSource.h"

namespace quintara {

QString rawValue(IslandSource source)
{
    switch (source) {
    case IslandSource::music:
        return QStringLiteral("music");
    case IslandSource::claudeCode:
        return QStringLiteral("claudeCode");
    case IslandSource::chatGPT:
        return QStringLiteral("chatGPT");
    case IslandSource::claudeApp:
        return QStringLiteral("claudeApp");
    }
    return {};
}

std::optional<IslandSource> islandSourceFromRaw(const QString &raw)
{
    for (IslandSource source : allIslandSources)
        if (rawValue(source) == raw)
            return source;
    return std::nullopt;
}

} // namespace quintara
