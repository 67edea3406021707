#pragma once

#include "engine/WallpaperBackend.h"
#include "platform/DesktopWindowRole.h"

#include <memory>

class QQmlEngine;

namespace quintara {

class DesktopWindowRole;

// Wallpaper windows as Qt Quick windows, video layers on libmpv looping players, and the
// animated gradient as a Qt Quick rectangle.
class QuickWallpaperBackend final : public WallpaperBackend {
public:
    // `role` (not owned) places each window on the desktop.
    explicit QuickWallpaperBackend(DesktopWindowRole &role);
    ~QuickWallpaperBackend() override;

    std::unique_ptr<WallpaperWindow> createWindow(const DisplayInfo &display) override;
    std::unique_ptr<ChannelPlayer> createPlayer(const QUrl &file) override;

private:
    DesktopWindowRole &m_role;
    std::unique_ptr<QQmlEngine> m_qml; // makes the gradients
};

} // namespace quintara
