#include "app/AppDelegate.h"

#include "app/GalleryHandOff.h"
#include "gallery/GalleryLink.h"
#include "library/ThumbnailCache.h"
#include "platform/LogSink.h"
#include "platform/linux/AtSpiBus.h"
#include "platform/linux/XdgAutostart.h"
#include "settings/PlaybackSpeed.h"
#include "settings/VideoFiles.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QScreen>
#include <utility>

namespace quintara {

namespace {

// The controller as the power rules see it.
class ControllerPowerTarget final : public PowerPauseTarget {
public:
    explicit ControllerPowerTarget(WallpaperController &controller) : m_controller(controller) {}
    OptionalPauseReason powerPause() const override { return m_controller.powerPause; }
    void setPowerPause(OptionalPauseReason reason) override { m_controller.powerPause = reason; }
    void updateRates() override { m_controller.updateRates(); }
    void reportPlayback() override { m_controller.reportPlayback(); }

private:
    WallpaperController &m_controller;
};

void tellInAMessageBox(const QString &sentence)
{
    auto *box = new QMessageBox(QMessageBox::Information, QStringLiteral("Quintara"), sentence);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

// Gallery notices become island events of the same symbol, texts and duration.
class IslandAnnouncer final : public GalleryAnnouncer {
public:
    explicit IslandAnnouncer(IslandModel &model) : m_model(model) {}
    void announce(const GalleryNotice &notice) override
    {
        m_model.announce({notice.symbol, notice.title, notice.subtitle, {}, notice.seconds});
    }

private:
    IslandModel &m_model;
};

} // namespace

AppDelegate::AppDelegate(KeyValueStore &defaults, Scheduler &scheduler, PowerSources powerSources,
                         QObject *parent)
    : QObject(parent), m_settings(defaults), m_scheduler(scheduler),
      m_views(m_settings, ThumbnailCache::shared()),
      m_power(std::make_unique<PowerMonitor>(std::move(powerSources))),
      m_gallery(std::make_unique<GalleryStore>(galleryEndpoints(), scheduler)),
      m_randomIndex([](qsizetype count) {
          return static_cast<qsizetype>(QRandomGenerator::global()->bounded(quint64(count)));
      }),
      m_engineFactory([this](AppSettings &settings, Scheduler &scheduler) {
          return makeDesktopWallpaperEngine(settings, scheduler, m_views.engine());
      }),
      m_loginItems(std::make_unique<XdgAutostart>()), m_launchAtLogin(*m_loginItems, defaults),
      m_accessibility(std::make_unique<AtSpiBus>()),
      m_accessibilityRequest(*m_accessibility, defaults, tellInAMessageBox),
      m_library(m_settings, scheduler, m_trash),
      m_controlWindow(m_views, m_library, defaults, scheduler)
{
    wireStatusMenu();
    wireLibrary();
    GalleryStore::setQmlInstance(m_gallery.get());
}

AppDelegate::~AppDelegate()
{
    for (const auto &connection : std::as_const(m_subscriptions))
        disconnect(connection);
}

WallpaperController &AppDelegate::wallpaperController()
{
    if (!m_engine)
        m_engine = m_engineFactory(m_settings, m_scheduler);
    return m_engine->controller();
}

void AppDelegate::applicationDidFinishLaunching()
{
    // 1. Moving into the applications folder: not built yet (AppImage builds only).
    // 2. Wallpaper windows and playback.
    wallpaperController().rebuild();
    // 3. Display changes.
    observeScreens();
    // 4. Status item.
    setupStatusItem();
    // 5. Island.
    setupIsland();
    // 6. Power rules.
    setupPowerRules();
    // 7. Login item on first run.
    enableLaunchAtLoginOnFirstRun();
    // 8. The control panel after onboarding; the welcome flow is not built yet, so a first
    //    launch opens nothing but the tray item.
    if (m_settings.hasOnboarded())
        showControls();
}

void AppDelegate::setLoginItems(std::unique_ptr<LoginItems> items)
{
    m_loginItems = std::move(items);
    m_launchAtLogin = LaunchAtLogin(*m_loginItems, m_settings.defaults());
}

void AppDelegate::setAccessibility(std::unique_ptr<AccessibilityBus> bus,
                                   AccessibilityRequest::Tell tell)
{
    m_accessibility = std::move(bus);
    m_accessibilityRequest =
        AccessibilityRequest(*m_accessibility, m_settings.defaults(), std::move(tell));
}

void AppDelegate::setupStatusItem()
{
    // Kept without a tray host too: the item appears once the desktop has one.
    m_statusItem =
        std::make_unique<StatusItem>([this] { return m_statusMenu.rebuild(statusMenuState()); });
    m_statusItem->install();
}

void AppDelegate::setupPowerRules()
{
    m_powerTarget = std::make_unique<ControllerPowerTarget>(wallpaperController());
    m_powerRules = std::make_unique<PowerRules>(m_settings, *m_power, m_scheduler, *m_powerTarget);
}

void AppDelegate::setupIsland()
{
    m_island = std::make_unique<DynamicIslandController>(m_settings, m_scheduler,
                                                         m_islandServices(), &m_views.engine());
    IslandModel &model = m_island->model();
    connect(&model, &IslandModel::togglePauseRequested, this, [this] {
        WallpaperController &controller = wallpaperController();
        controller.userPaused = !controller.userPaused;
        controller.updateRates();
        controller.reportPlayback();
    });
    connect(&model, &IslandModel::shuffleRequested, this, &AppDelegate::shuffle);
    connect(&model, &IslandModel::openControlsRequested, this, &AppDelegate::showControls);
    m_islandAnnouncer = std::make_unique<IslandAnnouncer>(model);
    setGalleryAnnouncer(m_islandAnnouncer.get());
    wallpaperController().onPlaybackChange = [self = QPointer(this)](OptionalPauseReason reason) {
        if (self)
            self->announcePlayback(reason);
    };

    // Each delivers the value of this moment first, except the speeds.
    m_subscriptions.append(connect(&m_settings, &AppSettings::currentVideoWillChange, this,
                                   &AppDelegate::announceWallpaper));
    announceWallpaper(m_settings.currentVideo());
    m_subscriptions.append(
        connect(&m_settings, &AppSettings::speedsWillChange, this, &AppDelegate::announceSpeed));
    const auto applySources = [this](const IslandSourceSet &sources) {
        m_island->setSources(sources);
        if (sources.contains(IslandSource::claudeApp) && !m_accessibility->isEnabled())
            requestAccessibilityOnce();
    };
    m_subscriptions.append(
        connect(&m_settings, &AppSettings::islandSourcesWillChange, this, applySources));
    applySources(m_settings.islandSources());
    const auto show = [this](bool shown) { m_island->setShown(shown); };
    m_subscriptions.append(connect(&m_settings, &AppSettings::showIslandWillChange, this, show));
    show(m_settings.showIsland());
}

void AppDelegate::announcePlayback(OptionalPauseReason reason)
{
    if (!m_island)
        return;
    const OptionalPauseReason previous = std::exchange(m_islandPause, reason);
    m_island->model().setPauseReason(reason);
    // Only the user's own pausing and resuming is news.
    if (reason == PauseReason::user)
        m_island->model().announce({QStringLiteral("pause.fill"),
                                    QStringLiteral("Wallpaper paused"),
                                    std::nullopt,
                                    {},
                                    3});
    else if (!reason && previous == PauseReason::user)
        m_island->model().announce({QStringLiteral("play.fill"),
                                    QStringLiteral("Wallpaper playing"),
                                    std::nullopt,
                                    {},
                                    3});
}

void AppDelegate::announceWallpaper(const QUrl &video)
{
    if (video.isEmpty() || video == m_islandWallpaper)
        return;
    m_islandWallpaper = video;
    ThumbnailCache::shared().image(video, m_island.get(), [this, video](const QImage &poster) {
        // A later wallpaper's news replaces this one.
        if (video != m_islandWallpaper)
            return;
        m_island->model().setPoster(poster);
        m_island->model().announce({QStringLiteral("play.rectangle.fill"),
                                    displayTitle(video),
                                    QStringLiteral("Now playing"),
                                    {},
                                    3});
    });
}

void AppDelegate::announceSpeed(const AppSettings::Speeds &speeds)
{
    const QUrl current = m_settings.currentVideo();
    if (!current.isEmpty()) {
        const double speed = speeds.value(current.fileName(), 1.0);
        // Told when the current wallpaper's speed changes, not when another file's entry goes.
        if (speed != m_settings.speed(current)) {
            const QString icon = speed < 1   ? QStringLiteral("tortoise.fill")
                                 : speed > 1 ? QStringLiteral("hare.fill")
                                             : QStringLiteral("speedometer");
            m_island->model().announce({icon,
                                        QStringLiteral("Speed ") + speedTitle(speed, QLocale()),
                                        displayTitle(current),
                                        {},
                                        1.5});
        }
    }
    // The players take the new speed once the settings hold it.
    m_scheduler.defer(this, [this] { wallpaperController().apply(true); });
}

void AppDelegate::showControls()
{
    m_controlWindow.show();
}

StatusMenuState AppDelegate::statusMenuState()
{
    WallpaperController &controller = wallpaperController();
    StatusMenuState state;
    state.currentVideo = m_settings.currentVideo();
    state.pauseReason = controller.pauseReason();
    state.userPaused = controller.userPaused;
    state.currentSpeed = m_settings.speed(m_settings.currentVideo());
    state.showIsland = m_settings.showIsland();
    state.pauseOnBattery = m_settings.pauseOnBattery();
    state.pauseInLowPower = m_settings.pauseInLowPower();
    state.pauseWhenHot = m_settings.pauseWhenHot();
    state.onBattery = m_power->isOnBattery();
    state.lowPowerMode = m_power->isLowPowerMode();
    state.hot = m_power->isHot();
    state.launchAtLogin = m_launchAtLogin.isEnabled();
    state.welcomeAvailable = false; // the welcome flow is not built yet
    state.locale = QLocale::system();
    return state;
}

void AppDelegate::toggle(bool (AppSettings::*get)() const, void (AppSettings::*set)(bool))
{
    (m_settings.*set)(!(m_settings.*get)());
    m_settings.persist();
}

void AppDelegate::wireStatusMenu()
{
    StatusMenu *menu = &m_statusMenu;
    connect(menu, &StatusMenu::togglePauseRequested, this, [this] {
        WallpaperController &controller = wallpaperController();
        controller.userPaused = !controller.userPaused;
        controller.updateRates();
        controller.reportPlayback();
    });
    connect(menu, &StatusMenu::shuffleRequested, this, &AppDelegate::shuffle);
    connect(menu, &StatusMenu::speedRequested, this, [this](double speed) {
        if (!m_settings.currentVideo().isEmpty())
            m_settings.setSpeed(speed, m_settings.currentVideo());
    });
    connect(menu, &StatusMenu::showControlsRequested, this, &AppDelegate::showControls);
    connect(menu, &StatusMenu::toggleShowIslandRequested, this,
            [this] { toggle(&AppSettings::showIsland, &AppSettings::setShowIsland); });
    connect(menu, &StatusMenu::togglePauseOnBatteryRequested, this,
            [this] { toggle(&AppSettings::pauseOnBattery, &AppSettings::setPauseOnBattery); });
    connect(menu, &StatusMenu::togglePauseInLowPowerRequested, this,
            [this] { toggle(&AppSettings::pauseInLowPower, &AppSettings::setPauseInLowPower); });
    connect(menu, &StatusMenu::togglePauseWhenHotRequested, this,
            [this] { toggle(&AppSettings::pauseWhenHot, &AppSettings::setPauseWhenHot); });
    connect(menu, &StatusMenu::toggleLaunchAtLoginRequested, this,
            &AppDelegate::toggleLaunchAtLogin);
}

void AppDelegate::wireLibrary()
{
    connect(&m_library, &LibraryModel::applyRequested, this,
            [this] { wallpaperController().apply(true); });
}

void AppDelegate::observeScreens()
{
    if (!qGuiApp)
        return;
    auto watch = [this](QScreen *screen) {
        m_subscriptions.append(
            connect(screen, &QScreen::geometryChanged, this, &AppDelegate::screensChanged));
    };
    for (QScreen *screen : QGuiApplication::screens())
        watch(screen);
    m_subscriptions.append(
        connect(qGuiApp, &QGuiApplication::screenAdded, this, [this, watch](QScreen *screen) {
            watch(screen);
            screensChanged();
        }));
    m_subscriptions.append(
        connect(qGuiApp, &QGuiApplication::screenRemoved, this, &AppDelegate::screensChanged));
}

void AppDelegate::screensChanged()
{
    // One rearrangement reaches Qt's screens one at a time; rebuild once they all have it.
    if (m_rebuildPending)
        return;
    m_rebuildPending = true;
    m_scheduler.defer(this, [this] {
        m_rebuildPending = false;
        wallpaperController().rebuild();
        if (m_island)
            m_island->screensChanged();
    });
}

bool AppDelegate::applicationShouldHandleReopen()
{
    showControls();
    return true;
}

void AppDelegate::openUrls(const QList<QUrl> &urls)
{
    for (const QUrl &url : urls) {
        if (const auto ids = galleryLinkIds(url))
            addFromGallery(*ids);
        else // nothing shows; the log says why nothing happened
            log::line(QStringLiteral("Quintara: ignoring the link %1").arg(url.toString()));
    }
}

void AppDelegate::addFromGallery(const QStringList &ids)
{
    auto *handOff = new GalleryHandOff(
        m_settings, *m_gallery, [this] { wallpaperController().apply(true); },
        [this](const GalleryNotice &notice) {
            if (m_galleryAnnouncer)
                m_galleryAnnouncer->announce(notice);
        },
        this);
    connect(handOff, &GalleryHandOff::finished, handOff, &QObject::deleteLater);
    handOff->start(ids);
}

void AppDelegate::shuffle()
{
    const QUrl folder = m_settings.libraryFolder();
    if (folder.isEmpty())
        return;
    const auto videos = supportedVideos(folder);
    if (!videos)
        return;
    QList<QUrl> candidates;
    const QUrl current = m_settings.currentVideo();
    for (const QUrl &video : *videos)
        if (video != current)
            candidates.append(video);
    if (candidates.isEmpty())
        return;
    m_settings.setCurrentVideo(candidates.at(m_randomIndex(candidates.size())));
    m_settings.persist();
    wallpaperController().apply(true);
}

bool AppDelegate::chooseWallpaper(const QUrl &file)
{
    const QFileInfo info(file.toLocalFile());
    if (!file.isLocalFile() || !info.isFile() || !isSupportedVideo(info.fileName())) {
        log::line(QStringLiteral("Quintara: cannot use %1 as the wallpaper")
                      .arg(file.toDisplayString(QUrl::PreferLocalFile)));
        return false;
    }
    m_settings.setVideo(QUrl::fromLocalFile(info.absoluteFilePath()), std::nullopt);
    wallpaperController().apply(true);
    return true;
}

} // namespace quintara
