#pragma once

#include <QString>
#include <optional>

namespace quintara {

// Why playback is paused; an absent reason means playing. Declaration order is the order the
// menu and the island know them in, not precedence (the wallpaper controller ranks them).
enum class PauseReason { user, hidden, displaysAsleep, battery, lowPower, hot };

using OptionalPauseReason = std::optional<PauseReason>;

// The status menu's title-line text ("Paused on battery", ...).
QString menuText(PauseReason reason);
// The island's status-line text ("Paused — Low Power Mode", ...).
QString islandText(PauseReason reason);

} // namespace quintara
