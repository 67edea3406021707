#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QtQml/qqmlregistration.h>
#include <array>
#include <optional>
#include <set>

namespace quintara {

// In a namespace of its own for the meta-object system, as FillMode is.
namespace island_source {
Q_NAMESPACE
QML_NAMED_ELEMENT(IslandSource)

// The user's switches for what the island presents; stored by raw value.
enum class IslandSource { music, claudeCode, chatGPT, claudeApp };
Q_ENUM_NS(IslandSource)
} // namespace island_source

using island_source::IslandSource;

using IslandSourceSet = std::set<IslandSource>;

constexpr std::array<IslandSource, 4> allIslandSources{
    IslandSource::music, IslandSource::claudeCode, IslandSource::chatGPT, IslandSource::claudeApp};

QString rawValue(IslandSource source);
// The case whose raw value is exactly `raw`; nothing for any other string.
std::optional<IslandSource> islandSourceFromRaw(const QString &raw);

} // namespace quintara
