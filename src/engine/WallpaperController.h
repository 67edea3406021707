#pragma once

#include "engine/PauseReason.h"
#include "engine/WallpaperBackend.h"
#include "platform/DesktopVisibility.h"
#include "platform/DisplayPower.h"
#include "platform/DisplayServer.h"
#include "platform/Scheduler.h"
#include "settings/AppSettings.h"

#include <QObject>
#include <QUrl>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

namespace quintara {

// The wallpaper engine: one window per display and one looping player per distinct wallpaper.
// Decides from the settings which video each display shows, attaches each display's window to
// that video's channel with a crossfade, lays the video out per display or across all of them,
// plays every channel at its wallpaper's speed, and pauses what nobody can see or what the user,
// sleeping displays or the power rules ask to pause. Main thread only.
class WallpaperController : public QObject {
    Q_OBJECT
public:
    using Duration = Scheduler::Duration;

    static constexpr Duration crossfadeDuration{900};
    static constexpr Duration retirementDelay{1200};
    static constexpr Duration layoutDuration{700};
    static constexpr Duration visibilityDebounce{300};

    // Everything the engine reaches the system through; none of it is owned and all of it must
    // outlive the controller.
    struct Services {
        WallpaperBackend &backend;
        DisplayServer &displays;
        DesktopVisibility &visibility;
        DisplayPower &power;
        Scheduler &scheduler;
    };

    WallpaperController(AppSettings &settings, const Services &services, QObject *parent = nullptr);
    ~WallpaperController() override;

    // Discards every window and player and builds them afresh for the current displays.
    void rebuild();
    // Brings windows and players in line with the settings (choice of wallpapers, spanning,
    // fill mode). Unchanged displays are left alone.
    void apply(bool animated);
    // Sets every player's rate from the wallpapers' speeds and the pause state.
    void updateRates();
    // Tells `onPlaybackChange` the current pause reason if it changed since the last report.
    void reportPlayback();
    // Why playback is paused; none while playing.
    OptionalPauseReason pauseReason() const;

    // Window visibility may have changed: checks again after a short quiet spell.
    void refreshVisibility();
    void displaysDidSleep();
    void displaysDidWake();

    // Set by the status menu and the island; call updateRates() and reportPlayback() after.
    bool userPaused = false;
    // Set by the power rules: battery, lowPower or hot.
    OptionalPauseReason powerPause;
    // Told each change of the overall playback state.
    std::function<void(OptionalPauseReason)> onPlaybackChange;

    // What the engine currently holds, for the views and the tests.
    std::size_t surfaceCount() const { return m_surfaces.size(); }
    // The wallpaper the surface is attached to (empty: the gradient); nothing before its first
    // attach.
    std::optional<QUrl> surfaceChannel(std::size_t index) const;
    QList<QUrl> channelUrls() const;
    bool displaysAsleep() const { return m_displaysAsleep; }

private:
    struct Channel {
        QUrl url;                              // empty for the no-video channel
        std::shared_ptr<ChannelPlayer> player; // none without a URL or without a file at it
    };
    struct LayerSlot {
        std::uint64_t serial;
        // A layer keeps its player: a retired channel's last frame stays on screen, paused,
        // until a newer layer has faded in over it.
        std::shared_ptr<ChannelPlayer> player;
        std::unique_ptr<WallpaperLayer> layer;
    };
    struct Surface {
        std::unique_ptr<WallpaperWindow> window;
        DisplayInfo display;
        // Bottom to top; the last one is the layer currently attached. Older ones stay beneath
        // until the crossfade of a newer one has finished.
        std::vector<LayerSlot> layers;
        std::optional<QUrl> channelURL;
        bool isVisible = true;
    };

    void teardown();
    QUrl wallpaper(const Surface &surface) const;
    void attach(const std::shared_ptr<Channel> &channel, std::size_t index, bool animated);
    void crossfade(std::uint64_t serial);
    void removeLayersBelow(std::uint64_t serial);
    Surface *surfaceHolding(std::uint64_t serial, WallpaperLayer **layer = nullptr);
    void layout(bool animated);
    QRectF frame(const DisplayInfo &display) const;
    void applyVisibility();
    void logApply() const;

    AppSettings &m_settings;
    Services m_services;
    std::vector<Surface> m_surfaces;
    std::map<QUrl, std::shared_ptr<Channel>> m_channels;
    bool m_displaysAsleep = false;
    ScheduledTask m_pendingVisibilityCheck;
    std::optional<OptionalPauseReason> m_lastReported;
    // Layers are named by serial in delayed work, so that work for a discarded layer finds
    // nothing.
    std::uint64_t m_nextLayerSerial = 1;
};

} // namespace quintara
