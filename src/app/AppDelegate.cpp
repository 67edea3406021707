#include "app/AppDelegate.h"

#include "library/VideoFiles.h"
#include "platform/LogSink.h"
#include "platform/linux/LinuxPowerSources.h"

#include <QGuiApplication>
#include <QRandomGenerator>
#include <QScreen>

namespace quintara {

AppDelegate::AppDelegate(KeyValueStore &defaults, Scheduler &scheduler, QObject *parent)
    : AppDelegate(defaults, scheduler, linuxPowerSources(scheduler), parent)
{}

AppDelegate::AppDelegate(KeyValueStore &defaults, Scheduler &scheduler, PowerSources powerSources,
                         QObject *parent)
    : QObject(parent), m_settings(defaults), m_scheduler(scheduler),
      m_power(std::make_unique<PowerMonitor>(std::move(powerSources))),
      m_randomIndex([](qsizetype count) {
          return static_cast<qsizetype>(QRandomGenerator::global()->bounded(quint64(count)));
      })
{
    // Not built yet, joining with its own work: the gallery store.
}

AppDelegate::~AppDelegate()
{
    for (const auto &connection : std::as_const(m_subscriptions))
        disconnect(connection);
}

void AppDelegate::applicationDidFinishLaunching()
{
    // 1. Moving into the applications folder: not built yet (AppImage builds only).
    // 2. Wallpaper windows and playback: not built yet; the wallpaper engine fills this in.
    // 3. Display changes.
    observeScreens();
    // 4. Status item: not built yet.
    // 5. Island: not built yet.
    // 6. Power rules: not built yet.
    // 7. Login item on first run: not built yet.
    // 8. Control panel or welcome: neither window is built yet.
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
    // The wallpaper engine rebuilds its windows here and the island re-positions itself; both
    // join with their own work.
}

bool AppDelegate::applicationShouldHandleReopen()
{
    // The control panel is not built yet; reopening says so instead of showing it.
    log::line(QStringLiteral("Quintara: reopen requested; the control panel is not available yet"));
    return true;
}

void AppDelegate::openUrls(const QList<QUrl> &urls)
{
    // Gallery links are not understood yet; say what arrived so nothing vanishes silently.
    for (const QUrl &url : urls)
        log::line(QStringLiteral("Quintara: cannot open %1 yet").arg(url.toString()));
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
    // The wallpaper engine crossfades to the new choice here once it is built.
}

} // namespace quintara
