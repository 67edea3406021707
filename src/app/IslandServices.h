#pragma once

#include "island/DynamicIslandController.h"

#include <functional>

namespace quintara {

using IslandServicesFactory = std::function<IslandServices()>;

// The island on this desktop: an X11 overlay window, XInput 2 pointer tracking, the session
// bus's activity broadcast, MPRIS players, the AT-SPI accessibility tree, and worker threads for
// the chat app searches and for artwork.
IslandServices makeDesktopIslandServices();

} // namespace quintara
