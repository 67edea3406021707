#pragma once

#include "app/AccessibilityRequest.h"
#include "app/ControlWindow.h"
#include "app/IslandServices.h"
#include "app/LaunchAtLogin.h"
#include "app/PowerRules.h"
#include "app/StatusItem.h"
#include "app/StatusMenu.h"
#include "app/ViewEngine.h"
#include "app/WallpaperEngine.h"
#include "engine/PowerMonitor.h"
#include "gallery/GalleryAnnouncer.h"
#include "gallery/GalleryStore.h"
#include "library/LibraryModel.h"
#include "platform/AccessibilityBus.h"
#include "platform/KeyValueStore.h"
#include "platform/LoginItems.h"
#include "platform/PowerSource.h"
#include "platform/Scheduler.h"
#include "platform/linux/FreedesktopTrash.h"
#include "settings/AppSettings.h"

#include <QList>
#include <QMetaObject>
#include <QObject>
#include <QUrl>
#include <functional>
#include <memory>

namespace quintara {

// The composition root: owns every long-lived object, creates them in order at launch and wires
// the intent signals of controllers to the objects that carry them out.
class AppDelegate : public QObject {
    Q_OBJECT
public:
    // A uniform random index below `count`.
    using RandomIndex = std::function<qsizetype(qsizetype count)>;

    // `defaults` and `scheduler` are not owned and must outlive the delegate; the power monitor
    // observes `powerSources`.
    AppDelegate(KeyValueStore &defaults, Scheduler &scheduler, PowerSources powerSources,
                QObject *parent = nullptr);
    ~AppDelegate() override;

    AppSettings &settings() { return m_settings; }
    Scheduler &scheduler() { return m_scheduler; }
    // The QML engine every window of the app is made from.
    ViewEngine &views() { return m_views; }
    PowerMonitor &power() { return *m_power; }
    // The online gallery, at the addresses this run's environment and build name.
    GalleryStore &gallery() { return *m_gallery; }
    // Where gallery hand-offs tell what they do (not owned): the island once launching made it,
    // nothing before.
    void setGalleryAnnouncer(GalleryAnnouncer *announcer) { m_galleryAnnouncer = announcer; }

    // The end of launching: builds the wallpaper windows, the status item, the island and the
    // power rules, then opens the control panel or the welcome.
    void applicationDidFinishLaunching();
    // The display arrangement changed: the wallpaper windows are rebuilt at the next turn of
    // the event loop, once for a burst of changes.
    void screensChanged();
    // The user launched Quintara again while it runs.
    bool applicationShouldHandleReopen();
    // quintara: links handed to this instance: each quintara://add link starts a hand-off of
    // its own; other links are ignored.
    void openUrls(const QList<QUrl> &urls);
    // Adds the gallery entries with these ids to the library without opening a window.
    void addFromGallery(const QStringList &ids);
    // Picks another wallpaper of the library folder at random as the current video.
    void shuffle();
    // Makes `file` the wallpaper of every display, as choosing a library tile does. A file that
    // is missing or not a supported video is refused (false) and nothing changes.
    bool chooseWallpaper(const QUrl &file);

    // The wallpaper engine, created on first use.
    WallpaperController &wallpaperController();
    // Replaces the engine made on first use (tests run it on fakes). Call before first use.
    void setWallpaperEngineFactory(WallpaperEngineFactory factory)
    {
        m_engineFactory = std::move(factory);
    }

    // The island, once launching has made it.
    DynamicIslandController *island() const { return m_island.get(); }
    // Replaces the desktop services the island is made with (tests use fakes). Call before
    // launching.
    void setIslandServicesFactory(IslandServicesFactory factory)
    {
        m_islandServices = std::move(factory);
    }

    void setRandomIndex(RandomIndex randomIndex) { m_randomIndex = std::move(randomIndex); }

    // Opens the control-panel window, made on first use and kept.
    void showControls();
    ControlWindow &controlWindow() { return m_controlWindow; }
    // The library the control panel shows.
    LibraryModel &library() { return m_library; }
    // The status menu's items for the state of this moment.
    StatusMenuState statusMenuState();
    StatusMenu &statusMenu() { return m_statusMenu; }
    // The tray item, once installed; it shows once the desktop has a tray.
    StatusItem *statusItem() const { return m_statusItem.get(); }

    void toggleLaunchAtLogin() { m_launchAtLogin.toggle(); }
    void enableLaunchAtLoginOnFirstRun() { m_launchAtLogin.enableOnFirstRun(); }
    void requestAccessibilityOnce() { m_accessibilityRequest.requestOnce(); }

    // Replace the desktop's services (tests use fakes). Call before launching.
    void setLoginItems(std::unique_ptr<LoginItems> items);
    void setAccessibility(std::unique_ptr<AccessibilityBus> bus, AccessibilityRequest::Tell tell);

private:
    void observeScreens();
    void setupStatusItem();
    void wireStatusMenu();
    void wireLibrary();
    void setupIsland();
    void announcePlayback(OptionalPauseReason reason);
    void announceWallpaper(const QUrl &video);
    void announceSpeed(const AppSettings::Speeds &speeds);
    void setupPowerRules();
    void toggle(bool (AppSettings::*get)() const, void (AppSettings::*set)(bool));

    AppSettings m_settings;
    Scheduler &m_scheduler;
    // Before everything that makes windows from it, so that it goes after them.
    ViewEngine m_views;
    QList<QMetaObject::Connection> m_subscriptions;
    std::unique_ptr<PowerMonitor> m_power;
    std::unique_ptr<GalleryStore> m_gallery;
    GalleryAnnouncer *m_galleryAnnouncer = nullptr;
    RandomIndex m_randomIndex;
    WallpaperEngineFactory m_engineFactory;
    std::unique_ptr<WallpaperEngine> m_engine;
    bool m_rebuildPending = false;
    std::unique_ptr<LoginItems> m_loginItems;
    LaunchAtLogin m_launchAtLogin;
    std::unique_ptr<AccessibilityBus> m_accessibility;
    AccessibilityRequest m_accessibilityRequest;
    StatusMenu m_statusMenu;
    std::unique_ptr<StatusItem> m_statusItem;
    FreedesktopTrash m_trash;
    LibraryModel m_library;
    ControlWindow m_controlWindow;
    IslandServicesFactory m_islandServices = makeDesktopIslandServices;
    std::unique_ptr<DynamicIslandController> m_island;
    // Hand-offs' notices shown as island events; after the island, so that it goes first.
    std::unique_ptr<GalleryAnnouncer> m_islandAnnouncer;
    // The playback state the island last heard of, and the wallpaper whose poster it awaits.
    OptionalPauseReason m_islandPause;
    QUrl m_islandWallpaper;
    // Declared last: the rules go before the monitor and the engine they use.
    std::unique_ptr<PowerPauseTarget> m_powerTarget;
    std::unique_ptr<PowerRules> m_powerRules;
};

} // namespace quintara
