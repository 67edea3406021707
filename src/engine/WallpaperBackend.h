#pragma once

#include "platform/DisplayServer.h"
#include "settings/FillMode.h"

#include <QRectF>
#include <QUrl>
#include <chrono>
#include <functional>
#include <memory>

namespace quintara {

// A muted looping player: one per distinct wallpaper, shared by every display that shows it.
class ChannelPlayer {
public:
    virtual ~ChannelPlayer() = default;
    // The speed the player plays at when started.
    virtual void setDefaultRate(double rate) = 0;
    virtual double defaultRate() const = 0;
    // 0 pauses on the current frame; a positive rate plays from there at that speed.
    virtual void setRate(double rate) = 0;
    virtual double rate() const = 0;
};

// Something drawn in a wallpaper window: a video layer on a channel's player or the animated
// gradient that stands in for a missing wallpaper. Destroying a layer removes it from its window.
class WallpaperLayer {
public:
    using Duration = std::chrono::milliseconds;

    virtual ~WallpaperLayer() = default;
    virtual bool isVideo() const = 0;
    // A video layer is ready once it shows its player's first frame; a gradient always is.
    virtual bool isReadyForDisplay() const = 0;
    // Called once when the layer becomes ready for display; an empty function stops observing.
    virtual void setReadyHandler(std::function<void()> handler) = 0;
    virtual double opacity() const = 0;
    virtual void setOpacity(double opacity) = 0;
    // Animates the opacity from its current value to `target` (ease in, ease out). Only the
    // picture moves on its own; the caller schedules whatever follows the animation's end.
    virtual void fadeTo(double target, Duration duration) = 0;
    // Video layers: the frame in the window and the scaling of the video into it. A non-zero
    // duration glides there on the layout curve.
    virtual void setGeometry(const QRectF &frame, FillMode mode, Duration duration) = 0;
};

// The wallpaper window of one display: borderless, below every other window, on every
// workspace, click-through, never focused, opaque black, covering the whole display. Layers are
// stacked in the order they are added, the latest on top. Destroying the window orders it out.
class WallpaperWindow {
public:
    virtual ~WallpaperWindow() = default;
    // Shows the window at the front of the desktop level, without focusing it.
    virtual void orderFront() = 0;
    virtual std::unique_ptr<WallpaperLayer>
    addVideoLayer(ChannelPlayer &player, const QRectF &frame, FillMode mode, double opacity) = 0;
    // A gradient fills the window and follows its size.
    virtual std::unique_ptr<WallpaperLayer> addGradientLayer(double opacity) = 0;
};

// Makes the engine's windows and players.
class WallpaperBackend {
public:
    virtual ~WallpaperBackend() = default;
    virtual std::unique_ptr<WallpaperWindow> createWindow(const DisplayInfo &display) = 0;
    virtual std::unique_ptr<ChannelPlayer> createPlayer(const QUrl &file) = 0;
};

} // namespace quintara
