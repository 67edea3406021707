#pragma once

#include "FakeEngine.h"
#include "FakeIsland.h"
#include "app/AppDelegate.h"

namespace quintara::test {

// The wallpaper engine on fake displays, windows and players.
struct FakeWallpaperEngine final : WallpaperEngine {
    FakeBackend backend;
    FakeDisplays displays;
    FakeVisibility visibility;
    DisplayPower power;
    WallpaperController engine;

    FakeWallpaperEngine(AppSettings &settings, Scheduler &scheduler, QList<DisplayInfo> list)
        : engine(settings, {backend, displays, visibility, power, scheduler})
    {
        displays.list = std::move(list);
    }
    WallpaperController &controller() override { return engine; }
};

inline const QList<DisplayInfo> twoDisplays{{"id-1", "One", QRect(0, 0, 800, 600), "DUMMY0"},
                                            {"id-2", "Two", QRect(800, 0, 640, 480), "DUMMY1"}};

// Installs a fake engine, and an island on fake desktop services, and returns the engine once
// the delegate makes it.
inline FakeWallpaperEngine *&useFakeEngine(AppDelegate &delegate,
                                           QList<DisplayInfo> displays = twoDisplays)
{
    static FakeWallpaperEngine *made = nullptr;
    made = nullptr;
    delegate.setIslandServicesFactory(fakeIslandServices);
    delegate.setWallpaperEngineFactory([displays](AppSettings &settings, Scheduler &scheduler) {
        auto engine = std::make_unique<FakeWallpaperEngine>(settings, scheduler, displays);
        made = engine.get();
        return engine;
    });
    return made;
}

} // namespace quintara::test
