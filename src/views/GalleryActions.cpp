#include "views/GalleryActions.h"

#include "library/CategoryStore.h"
#include "settings/AppSettings.h"

#include <QFileInfo>
#include <QPointer>

namespace quintara {

void copyGalleryTags(CategoryStore &categories, const GalleryWallpaper &wallpaper,
                     const QUrl &video)
{
    for (const QString &name : wallpaper.tags) {
        const QString tag = categories.addTag(name).value_or(name);
        if (!categories.has(tag, video))
            categories.toggle(tag, video);
    }
}

bool needsWallpaper(const AppSettings &settings)
{
    const QUrl current = settings.currentVideo();
    return current.isEmpty() || !QFileInfo::exists(current.toLocalFile());
}

GalleryActions::GalleryActions(AppSettings &settings, GalleryStore &gallery, LibraryModel &library,
                               QObject *parent)
    : QObject(parent), m_settings(settings), m_gallery(gallery), m_library(library)
{
    // Files come and go as rows; a row's data changes leave the names as they were.
    LibraryVideos &videos = library.videos();
    connect(&videos, &LibraryVideos::modelReset, this, &GalleryActions::listingChanged);
    connect(&videos, &LibraryVideos::rowsInserted, this, &GalleryActions::listingChanged);
    connect(&videos, &LibraryVideos::rowsRemoved, this, &GalleryActions::listingChanged);
    listingChanged();
}

void GalleryActions::listingChanged()
{
    QStringList names;
    for (const QUrl &video : m_library.videos().urls())
        names.append(video.fileName());
    m_gallery.model()->setLibraryFiles(names);
}

std::optional<GalleryWallpaper> GalleryActions::wallpaper(const QString &id) const
{
    for (const GalleryWallpaper &wallpaper : m_gallery.wallpapers())
        if (wallpaper.id == id)
            return wallpaper;
    return std::nullopt;
}

void GalleryActions::onDownload(const QString &id)
{
    const auto entry = wallpaper(id);
    // A second click while it downloads is not a second download, nor a second count.
    if (!entry || m_gallery.progress().contains(id))
        return;
    const QUrl folder = m_settings.libraryFolder();
    if (folder.isEmpty()) {
        m_library.chooseFolder();
        return;
    }
    QPointer<GalleryActions> self(this);
    m_gallery.download(*entry, folder, [self, entry = *entry](const GalleryStore::Result &result) {
        if (self && result.ok())
            self->installed(entry, result.file);
    });
}

void GalleryActions::installed(const GalleryWallpaper &wallpaper, const QUrl &video)
{
    m_gallery.recordDownload(wallpaper);
    copyGalleryTags(m_library.categories(), wallpaper, video);
    m_library.reloadVideos();
    if (needsWallpaper(m_settings)) {
        m_settings.setCurrentVideo(video);
        m_settings.persist();
        if (onApply)
            onApply();
    }
}

void GalleryActions::onUse(const QString &id)
{
    const auto entry = wallpaper(id);
    const QUrl folder = m_settings.libraryFolder();
    if (!entry || folder.isEmpty())
        return;
    m_settings.setVideo(entry->installedFile(folder), chosenDisplay);
    if (onApply)
        onApply();
}

void GalleryActions::onRemove(const QString &id)
{
    const auto entry = wallpaper(id);
    const QUrl folder = m_settings.libraryFolder();
    if (!entry || folder.isEmpty())
        return;
    const auto c = m_library.beginMoveToTrash(entry->installedFile(folder));
    emit trashConfirmationRequested(c.title, c.message, c.confirmButton, c.cancelButton);
}

} // namespace quintara
