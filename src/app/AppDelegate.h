#pragma once

#include "app/AppSettings.h"
#include "app/WallpaperEngine.h"
#include "platform/KeyValueStore.h"
#include "platform/Scheduler.h"

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

    // `defaults` and `scheduler` are not owned and must outlive the delegate.
    AppDelegate(KeyValueStore &defaults, Scheduler &scheduler, QObject *parent = nullptr);
    ~AppDelegate() override;

    AppSettings &settings() { return m_settings; }
    Scheduler &scheduler() { return m_scheduler; }

    // The end of launching: builds the wallpaper windows, the status item, the island and the
    // power rules, then opens the control panel or the welcome.
    void applicationDidFinishLaunching();
    // The display arrangement changed: the wallpaper windows are rebuilt at the next turn of
    // the event loop, once for a burst of changes.
    void screensChanged();
    // The user launched Quintara again while it runs.
    bool applicationShouldHandleReopen();
    // quintara: links handed to this instance.
    void openUrls(const QList<QUrl> &urls);
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

    void setRandomIndex(RandomIndex randomIndex) { m_randomIndex = std::move(randomIndex); }

private:
    void observeScreens();

    AppSettings m_settings;
    Scheduler &m_scheduler;
    QList<QMetaObject::Connection> m_subscriptions;
    RandomIndex m_randomIndex;
    WallpaperEngineFactory m_engineFactory = makeDesktopWallpaperEngine;
    std::unique_ptr<WallpaperEngine> m_engine;
    bool m_rebuildPending = false;
};

} // namespace quintara
