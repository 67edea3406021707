#include "app/AppDelegate.h"

#include "library/VideoFiles.h"
#include "platform/LogSink.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QScreen>

namespace quintara {

AppDelegate::AppDelegate(KeyValueStore &defaults, Scheduler &scheduler, QObject *parent)
    : QObject(parent), m_settings(defaults), m_scheduler(scheduler),
      m_randomIndex([](qsizetype count) {
          return static_cast<qsizetype>(QRandomGenerator::global()->bounded(quint64(count)));
      })
{
    // Not built yet, each joins with its own work: the power monitor and the gallery store.
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
    // One rearrangement reaches Qt's screens one at a time; rebuild once they all have it.
    if (m_rebuildPending)
        return;
    m_rebuildPending = true;
    m_scheduler.defer(this, [this] {
        m_rebuildPending = false;
        wallpaperController().rebuild();
    });
    // The island re-positions itself here once it is built.
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
