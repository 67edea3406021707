#include "island/IslandGeometry.h"

#include <QScreen>

namespace quintara {

IslandGeometry islandGeometry(const QScreen *screen)
{
    IslandGeometry geometry;
    if (!screen)
        return geometry;
    // Qt's available area leaves out the struts of the panels (_NET_WORKAREA on X11).
    geometry.menuBarHeight = screen->availableGeometry().top() - screen->geometry().top();
    return geometry;
}

} // namespace quintara
