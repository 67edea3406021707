#pragma once

#include "settings/IslandSource.h"

#include <QDateTime>
#include <QImage>
#include <QString>
#include <QUuid>
#include <QVariantMap>
#include <optional>

namespace quintara {

// What a producer says about one activity: string values under the keys below; a value of any
// other type counts as missing.
using ActivityReport = QVariantMap;

namespace reportKey {
inline constexpr char source[] = "source";
inline constexpr char id[] = "id";
inline constexpr char state[] = "state";
inline constexpr char title[] = "title";
inline constexpr char detail[] = "detail";
} // namespace reportKey

// The string under `key`, or nothing when it is missing or not a string.
std::optional<QString> reportString(const ActivityReport &report, const char *key);

// The switch that governs activities of the source `name`; nothing for a source no switch
// covers (those are always shown).
std::optional<IslandSource> islandSourceForActivity(const QString &name);

struct LiveActivity {
    enum class State { running, done, attention };

    QString id;
    QString source;
    QString title;
    std::optional<QString> detail;
    State state = State::running;
    QDateTime updated;

    bool operator==(const LiveActivity &) const = default;
};

QString rawValue(LiveActivity::State state);
// "running", "done" or "attention"; any other text reads as running.
LiveActivity::State activityStateFromRaw(const QString &raw);

// A short notice the island flashes. Two events are the same event only when their ids are.
struct IslandEvent {
    QString icon;
    QString title;
    std::optional<QString> subtitle;
    QImage image;        // null: none
    double duration = 0; // seconds
    QUuid id = QUuid::createUuid();

    bool operator==(const IslandEvent &other) const { return id == other.id; }
};

} // namespace quintara
