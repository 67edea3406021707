#pragma once

#include "engine/WallpaperController.h"
#include "platform/Scheduler.h"
#include "settings/AppSettings.h"

#include <functional>
#include <memory>

class QQmlEngine;

namespace quintara {

// The wallpaper controller together with the system services it runs on.
class WallpaperEngine {
public:
    virtual ~WallpaperEngine() = default;
    virtual WallpaperController &controller() = 0;
};

using WallpaperEngineFactory =
    std::function<std::unique_ptr<WallpaperEngine>(AppSettings &settings, Scheduler &scheduler)>;

// The engine on this desktop: Qt's screens, Qt Quick windows placed as X11 desktop windows,
// libmpv players, EWMH occlusion and the session's screen saver and sleep signals. The windows'
// QML comes from `qml` (the app's one engine), which must outlive the wallpaper engine.
std::unique_ptr<WallpaperEngine> makeDesktopWallpaperEngine(AppSettings &settings,
                                                            Scheduler &scheduler, QQmlEngine &qml);

} // namespace quintara
