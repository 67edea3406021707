#include "app/IslandServices.h"

#include "platform/linux/AtSpiTree.h"
#include "platform/linux/DBusBroadcast.h"
#include "platform/linux/MprisPlayers.h"
#include "platform/linux/X11IslandWindow.h"
#include "platform/linux/X11PointerMonitor.h"

namespace quintara {

IslandServices makeDesktopIslandServices()
{
    IslandServices services;
    services.window = std::make_unique<X11IslandWindow>();
    services.pointer = std::make_unique<X11PointerMonitor>();
    services.broadcast = std::make_unique<DBusBroadcast>();
    auto players = std::make_unique<MprisPlayers>();
    players->start();
    services.players = std::move(players);
    services.accessibility = std::make_shared<AtSpiTree>();
    services.chatQueue =
        std::make_unique<ThreadWorkQueue>(QStringLiteral("Quintara.ChatAppWatcher"));
    services.artworkQueue = std::make_unique<ThreadWorkQueue>(QStringLiteral("Quintara.Artwork"));
    return services;
}

} // namespace quintara
