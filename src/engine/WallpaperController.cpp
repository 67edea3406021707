#include "engine/WallpaperController.h"

#include "engine/VideoGeometry.h"
#include "platform/LogSink.h"

#include <QFileInfo>
#include <QPointer>
#include <QStringList>

namespace quintara {

WallpaperController::WallpaperController(AppSettings &settings, const Services &services,
                                         QObject *parent)
    : QObject(parent), m_settings(settings), m_services(services),
      m_displaysAsleep(services.power.displaysAsleep())
{
    connect(&m_services.visibility, &DesktopVisibility::mayHaveChanged, this,
            &WallpaperController::refreshVisibility);
    connect(&m_services.power, &DisplayPower::displaysDidSleep, this,
            &WallpaperController::displaysDidSleep);
    connect(&m_services.power, &DisplayPower::displaysDidWake, this,
            &WallpaperController::displaysDidWake);
}

WallpaperController::~WallpaperController()
{
    m_pendingVisibilityCheck.cancel();
    teardown();
}

std::optional<QUrl> WallpaperController::surfaceChannel(std::size_t index) const
{
    if (index >= m_surfaces.size())
        return std::nullopt;
    return m_surfaces[index].channelURL;
}

QList<QUrl> WallpaperController::channelUrls() const
{
    QList<QUrl> urls;
    for (const auto &[url, channel] : m_channels)
        urls.append(url);
    return urls;
}

void WallpaperController::teardown()
{
    // Layers go before their windows; destroying a window orders it out.
    for (Surface &surface : m_surfaces) {
        for (LayerSlot &slot : surface.layers)
            slot.layer->setReadyHandler({});
        surface.layers.clear();
    }
    m_surfaces.clear();
    for (auto &[url, channel] : m_channels)
        if (channel->player)
            channel->player->setRate(0);
    m_channels.clear();
    m_lastReported.reset();
}

void WallpaperController::rebuild()
{
    teardown();
    for (const DisplayInfo &display : m_services.displays.displays()) {
        Surface surface;
        surface.window = m_services.backend.createWindow(display);
        surface.window->orderFront();
        surface.display = display;
        m_surfaces.push_back(std::move(surface));
    }
    apply(false);
    refreshVisibility();
}

QUrl WallpaperController::wallpaper(const Surface &surface) const
{
    if (m_settings.spanScreens())
        return m_settings.currentVideo();
    return m_settings.video(surface.display.id);
}

void WallpaperController::apply(bool animated)
{
    std::map<QUrl, bool> wanted;
    for (const Surface &surface : m_surfaces)
        wanted[wallpaper(surface)] = true;

    for (const auto &[url, unused] : wanted) {
        if (m_channels.count(url))
            continue;
        auto channel = std::make_shared<Channel>();
        channel->url = url;
        if (!url.isEmpty() && url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile())
            channel->player = m_services.backend.createPlayer(url);
        m_channels.emplace(url, std::move(channel));
    }

    for (std::size_t i = 0; i < m_surfaces.size(); ++i) {
        Surface &surface = m_surfaces[i];
        const QUrl url = wallpaper(surface);
        if (surface.channelURL && *surface.channelURL == url)
            continue;
        attach(m_channels.at(url), i, animated && !surface.layers.empty());
    }

    layout(animated);

    for (auto it = m_channels.begin(); it != m_channels.end();) {
        if (wanted.count(it->first)) {
            ++it;
            continue;
        }
        // The old video keeps playing beneath its successor's crossfade, then stops.
        std::shared_ptr<Channel> retired = it->second;
        it = m_channels.erase(it);
        m_services.scheduler.defer(retirementDelay, this, [retired] {
            if (retired->player)
                retired->player->setRate(0);
        });
    }

    updateRates();
    reportPlayback();
    logApply();
}

void WallpaperController::logApply() const
{
    QStringList entries;
    for (const Surface &surface : m_surfaces) {
        const QUrl url = wallpaper(surface);
        entries.append(surface.display.name + QLatin1Char('=') +
                       (url.isEmpty() ? QStringLiteral("gradient") : url.fileName()));
    }
    log::line(QStringLiteral("Quintara: span=%1, mode=%2, %3")
                  .arg(m_settings.spanScreens() ? QStringLiteral("true") : QStringLiteral("false"),
                       rawValue(m_settings.fillMode()), entries.join(QStringLiteral(", "))));
}

void WallpaperController::attach(const std::shared_ptr<Channel> &channel, std::size_t index,
                                 bool animated)
{
    Surface &surface = m_surfaces[index];
    const double opacity = animated ? 0.0 : 1.0;
    std::unique_ptr<WallpaperLayer> layer =
        channel->player ? surface.window->addVideoLayer(*channel->player, frame(surface.display),
                                                        m_settings.fillMode(), opacity)
                        : surface.window->addGradientLayer(opacity);
    const std::uint64_t serial = m_nextLayerSerial++;
    WallpaperLayer *added = layer.get();
    surface.layers.push_back({serial, channel->player, std::move(layer)});
    surface.channelURL = channel->url;

    if (!animated) {
        removeLayersBelow(serial);
        return;
    }
    if (added->isVideo() && !added->isReadyForDisplay()) {
        // A file that never decodes keeps the old picture: the new layer stays transparent.
        QPointer<WallpaperController> self(this);
        added->setReadyHandler([self, serial] {
            if (!self)
                return;
            self->m_services.scheduler.defer(self, [self, serial] {
                if (self)
                    self->crossfade(serial);
            });
        });
        return;
    }
    crossfade(serial);
}

WallpaperController::Surface *WallpaperController::surfaceHolding(std::uint64_t serial,
                                                                  WallpaperLayer **layer)
{
    for (Surface &surface : m_surfaces)
        for (LayerSlot &slot : surface.layers)
            if (slot.serial == serial) {
                if (layer)
                    *layer = slot.layer.get();
                return &surface;
            }
    return nullptr;
}

void WallpaperController::crossfade(std::uint64_t serial)
{
    WallpaperLayer *layer = nullptr;
    if (!surfaceHolding(serial, &layer))
        return; // discarded by a rebuild meanwhile
    layer->setReadyHandler({});
    layer->fadeTo(1.0, crossfadeDuration);
    m_services.scheduler.defer(crossfadeDuration, this,
                               [this, serial] { removeLayersBelow(serial); });
}

void WallpaperController::removeLayersBelow(std::uint64_t serial)
{
    Surface *surface = surfaceHolding(serial);
    if (!surface)
        return;
    auto &layers = surface->layers;
    auto it = layers.begin();
    while (it != layers.end() && it->serial != serial)
        ++it;
    for (auto below = layers.begin(); below != it; ++below)
        below->layer->setReadyHandler({});
    layers.erase(layers.begin(), it);
}

QRectF WallpaperController::frame(const DisplayInfo &display) const
{
    QList<QRect> frames;
    for (const Surface &surface : m_surfaces)
        frames.append(surface.display.frame);
    return layerFrame(display.frame, frames, m_settings.spanScreens());
}

void WallpaperController::layout(bool animated)
{
    const Duration duration = animated ? layoutDuration : Duration::zero();
    for (Surface &surface : m_surfaces) {
        if (surface.layers.empty())
            continue;
        WallpaperLayer &layer = *surface.layers.back().layer;
        // Gradients follow their window by themselves.
        if (layer.isVideo())
            layer.setGeometry(frame(surface.display), m_settings.fillMode(), duration);
    }
}

void WallpaperController::updateRates()
{
    const bool pausedOverall = userPaused || m_displaysAsleep || powerPause.has_value();
    for (const auto &[url, channel] : m_channels) {
        if (!channel->player)
            continue;
        // Stored as single precision, as the player takes it.
        const double speed =
            url.isEmpty() ? 1.0 : double(static_cast<float>(m_settings.speed(url)));
        bool shown = false;
        for (const Surface &surface : m_surfaces)
            shown = shown || (surface.channelURL == url && surface.isVisible);
        channel->player->setDefaultRate(speed);
        channel->player->setRate(shown && !pausedOverall ? speed : 0.0);
    }
}

OptionalPauseReason WallpaperController::pauseReason() const
{
    if (userPaused)
        return PauseReason::user;
    if (m_displaysAsleep)
        return PauseReason::displaysAsleep;
    if (powerPause)
        return powerPause;
    bool anyVisible = false;
    for (const Surface &surface : m_surfaces)
        anyVisible = anyVisible || surface.isVisible;
    if (!m_surfaces.empty() && !anyVisible)
        return PauseReason::hidden;
    return std::nullopt;
}

void WallpaperController::reportPlayback()
{
    const OptionalPauseReason reason = pauseReason();
    if (m_lastReported && *m_lastReported == reason)
        return;
    m_lastReported = reason;
    if (onPlaybackChange)
        onPlaybackChange(reason);
}

void WallpaperController::refreshVisibility()
{
    m_pendingVisibilityCheck =
        m_services.scheduler.after(visibilityDebounce, this, [this] { applyVisibility(); });
}

void WallpaperController::applyVisibility()
{
    bool changed = false;
    for (Surface &surface : m_surfaces) {
        // Covering windows are measured in device pixels, so the display is too.
        const bool visible =
            m_services.visibility.anyPartVisible(surface.display.devicePixelFrame());
        if (visible == surface.isVisible)
            continue;
        surface.isVisible = visible;
        changed = true;
        log::line(QStringLiteral("Quintara: %1 %2")
                      .arg(surface.display.name, visible ? QStringLiteral("visible — resuming")
                                                         : QStringLiteral("hidden — pausing")));
    }
    if (changed) {
        updateRates();
        reportPlayback();
    }
}

void WallpaperController::displaysDidSleep()
{
    m_displaysAsleep = true;
    // Nothing here covers the windows when the displays blank, so the players are stopped
    // directly instead of waiting for a visibility change.
    updateRates();
    reportPlayback();
    refreshVisibility();
}

void WallpaperController::displaysDidWake()
{
    m_displaysAsleep = false;
    updateRates();
    reportPlayback();
    refreshVisibility();
}

} // namespace quintara
