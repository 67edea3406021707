#include "gallery/GalleryEndpoints.h"

#include "gallery/GalleryWallpaper.h"
#include "platform/LogSink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace quintara {

namespace {

QUrl firstUsable(std::initializer_list<std::pair<const char *, QString>> bases,
                 bool (*usable)(const QUrl &), const char *kinds)
{
    for (const auto &[name, text] : bases) {
        if (text.isEmpty())
            continue;
        const QUrl url(text, QUrl::StrictMode);
        if (url.isValid() && !url.isRelative() && usable(url))
            return url;
        log::line(QStringLiteral("Quintara: ignoring the %1 address %2; it must be a %3 URL")
                      .arg(QLatin1String(name), text, QLatin1String(kinds)));
    }
    return {};
}

bool isWeb(const QUrl &url)
{
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}

// The sample gallery installed beside the program, else in the desktop's data folders
// (XDG_DATA_DIRS: its data installed under another prefix), else the one the build tree made.
QUrl sampleGalleryFolder()
{
    const QString installed =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QLatin1Char('/') +
                        QStringLiteral(QUINTARA_SAMPLE_GALLERY_RELATIVE));
    if (QCoreApplication::instance() && QFileInfo::exists(installed + "/catalog.json"))
        return QUrl::fromLocalFile(installed);
    const QString shared = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
                                                  QStringLiteral("quintara/gallery/catalog.json"));
    if (!shared.isEmpty())
        return QUrl::fromLocalFile(QFileInfo(shared).absolutePath());
    return QUrl::fromLocalFile(QStringLiteral(QUINTARA_SAMPLE_GALLERY_BUILD_DIR));
}

} // namespace

QUrl appendPathComponent(const QUrl &base, const QString &component)
{
    QUrl url = base;
    QString path = base.path();
    while (path.endsWith(QLatin1Char('/')))
        path.chop(1);
    url.setPath(path + QLatin1Char('/') + component);
    return url;
}

GalleryEndpoints resolveGalleryEndpoints(const QString &environmentGallery,
                                         const QString &builtGallery,
                                         const QString &environmentStats, const QString &builtStats,
                                         const QUrl &sampleGallery)
{
    QUrl gallery = firstUsable(
        {{"QUINTARA_GALLERY_URL", environmentGallery}, {"built-in gallery", builtGallery}},
        isGallerySchemeAllowed, "file:, http: or https:");
    if (gallery.isEmpty())
        gallery = sampleGallery;
    const QUrl stats =
        firstUsable({{"QUINTARA_STATS_URL", environmentStats}, {"built-in statistics", builtStats}},
                    isWeb, "http: or https:");
    return {appendPathComponent(gallery, QStringLiteral("catalog.json")), stats};
}

GalleryEndpoints galleryEndpoints()
{
    GalleryEndpoints endpoints = resolveGalleryEndpoints(
        qEnvironmentVariable("QUINTARA_GALLERY_URL"), QStringLiteral(QUINTARA_GALLERY_URL),
        qEnvironmentVariable("QUINTARA_STATS_URL"), QStringLiteral(QUINTARA_STATS_URL),
        sampleGalleryFolder());
    // Which of the several places won is not visible anywhere else.
    log::line(QStringLiteral("Quintara: gallery catalog %1")
                  .arg(endpoints.catalog.toString(QUrl::PreferLocalFile)));
    return endpoints;
}

} // namespace quintara
