#include "app/WallpaperEngine.h"

#include "engine/QuickWallpaperBackend.h"
#include "engine/player/LoopingVideoView.h"
#include "platform/linux/ScreenDisplayServer.h"
#include "platform/linux/SessionDisplayPower.h"
#include "platform/linux/X11DesktopVisibility.h"
#include "platform/linux/X11DesktopWindow.h"

namespace quintara {

namespace {

class DesktopWallpaperEngine final : public WallpaperEngine {
public:
    DesktopWallpaperEngine(AppSettings &settings, Scheduler &scheduler, QQmlEngine &qml)
        : m_backend(m_role, qml), m_power(scheduler),
          m_controller(settings, {m_backend, m_displays, m_visibility, m_power, scheduler})
    {
        // The app's own video views pause under covering windows by the same reckoning.
        WindowCoverage::instance().setSource(&m_visibility);
    }
    ~DesktopWallpaperEngine() override { WindowCoverage::instance().setSource(nullptr); }
    WallpaperController &controller() override { return m_controller; }

private:
    // Declared in the order they are needed; the controller goes first on destruction.
    X11DesktopWindow m_role;
    QuickWallpaperBackend m_backend;
    ScreenDisplayServer m_displays;
    X11DesktopVisibility m_visibility;
    SessionDisplayPower m_power;
    WallpaperController m_controller;
};

} // namespace

std::unique_ptr<WallpaperEngine> makeDesktopWallpaperEngine(AppSettings &settings,
                                                            Scheduler &scheduler, QQmlEngine &qml)
{
    return std::make_unique<DesktopWallpaperEngine>(settings, scheduler, qml);
}

} // namespace quintara
