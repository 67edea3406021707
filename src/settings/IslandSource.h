#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <optional>
#include <set>

namespace quintara {

// The user's switches for what the island presents; stored by raw value.
enum class IslandSource { music, claudeCode, chatGPT, claudeApp };

using IslandSourceSet = std::set<IslandSource>;

constexpr std::array<IslandSource, 4> allIslandSources{
    IslandSource::music, IslandSource::claudeCode, IslandSource::chatGPT, IslandSource::claudeApp};

QString rawValue(IslandSource source);
// The case whose raw value is exactly `raw`; nothing for any other string.
std::optional<IslandSource> islandSourceFromRaw(const QString &raw);

} // namespace quintara
