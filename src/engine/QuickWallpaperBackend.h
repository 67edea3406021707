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
    // `role` (not owned) places each window on the desktop; the gradients come from `qml` (not
    // owned, the app's one engine).
    QuickWallpaperBackend(DesktopWindowRole &role, QQmlEngine &qml);
    ~QuickWallpaperBackend() override;

    std::unique_ptr<WallpaperWindow> createWindow(const DisplayInfo &display) override;
    std::unique_ptr<ChannelPlayer> createPlayer(const QUrl &file) override;

private:
    DesktopWindowRole &m_role;
    QQmlEngine &m_qml;
};

} // namespace quintara
