#pragma once

class QScreen;

namespace quintara {

// The top edge of the screen the island hangs from, in the units of Qt's geometry.
struct IslandGeometry {
    // A camera housing cut into the top edge, and its size; none on this desktop's screens.
    bool hasNotch = false;
    double notchWidth = 0;
    double notchHeight = 0;
    // The band a top panel reserves: the screen's top minus the top of its available area.
    double menuBarHeight = 0;

    bool operator==(const IslandGeometry &) const = default;
};

// The geometry of `screen`; all zero without one.
IslandGeometry islandGeometry(const QScreen *screen);

} // namespace quintara
