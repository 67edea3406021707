#pragma once

#include "engine/PauseReason.h"

namespace quintara {

// What the power rules drive: the wallpaper engine's power pause and its players.
class PowerPauseTarget {
public:
    virtual ~PowerPauseTarget() = default;

    // None means the power rules let the players run.
    virtual OptionalPauseReason powerPause() const = 0;
    virtual void setPowerPause(OptionalPauseReason reason) = 0;
    // Sets every player's rate from the pause state and the wallpapers' speeds.
    virtual void updateRates() = 0;
    // Tells the playback observers (status menu, island) the current state.
    virtual void reportPlayback() = 0;
};

} // namespace quintara
