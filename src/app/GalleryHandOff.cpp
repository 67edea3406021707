#include "app/GalleryHandOff.h"

#include "settings/AppSettings.h"
#include "views/GalleryActions.h"

#include <QFileInfo>

namespace quintara {

namespace {

const QString galleryName = QStringLiteral("Online Gallery");
const QString warning = QStringLiteral("exclamationmark.triangle.fill");
const QString arrow = QStringLiteral("arrow.down.circle.fill");
const QString checkmark = QStringLiteral("checkmark.circle.fill");

bool exists(const QUrl &file)
{
    return QFileInfo::exists(file.toLocalFile());
}

} // namespace

GalleryHandOff::GalleryHandOff(AppSettings &settings, GalleryStore &gallery,
                               std::function<void()> apply, Announce announce, QObject *parent)
    : QObject(parent), m_settings(settings), m_gallery(gallery), m_apply(std::move(apply)),
      m_announce(std::move(announce))
{}

void GalleryHandOff::start(const QStringList &ids)
{
    if (ids.isEmpty()) {
        emit finished();
        return;
    }
    m_folder = m_settings.libraryFolder();
    // The settings read an absent folder as the default one; store it so it stays.
    if (m_folder.isEmpty() ||
        !m_settings.defaults().contains(QLatin1String(settings_keys::libraryFolder))) {
        if (m_folder.isEmpty())
            m_folder = AppSettings::defaultLibrary();
        m_settings.setLibraryFolder(m_folder);
        m_settings.persist();
    }
    // Ids are matched once the catalog is known, also when another caller's request runs.
    m_gallery.whenLoaded(this, [this, ids] { catalogReady(ids); });
}

void GalleryHandOff::catalogReady(const QStringList &ids)
{
    for (const QString &id : ids) {
        for (const GalleryWallpaper &wallpaper : m_gallery.wallpapers()) {
            if (wallpaper.id == id) {
                m_wanted.append(wallpaper);
                break;
            }
        }
    }
    if (m_wanted.isEmpty()) {
        say(warning, QStringLiteral("Couldn't find those wallpapers"), galleryName, 3.0);
        emit finished();
        return;
    }
    for (const GalleryWallpaper &wallpaper : std::as_const(m_wanted))
        if (!exists(wallpaper.installedFile(m_folder)))
            m_toAdd.append(wallpaper);
    const QString title =
        m_toAdd.isEmpty() ? QStringLiteral("Already in your library")
        : m_toAdd.size() == 1
            ? QStringLiteral("Adding ") + m_toAdd.first().title + QStringLiteral("\u2026")
            : QStringLiteral("Adding %1 wallpapers\u2026").arg(m_toAdd.size());
    say(arrow, title, galleryName, 4.0);
    m_categories.load(m_folder);
    downloadNext();
}

void GalleryHandOff::downloadNext()
{
    if (m_toAdd.isEmpty()) {
        chooseWallpaper();
        if (m_added.size() >= 2)
            say(checkmark, QStringLiteral("%1 wallpapers added").arg(m_added.size()), galleryName,
                3.0);
        emit finished();
        return;
    }
    const GalleryWallpaper wallpaper = m_toAdd.takeFirst();
    QPointer<GalleryHandOff> self(this);
    m_gallery.download(wallpaper, m_folder, [self, wallpaper](const GalleryStore::Result &result) {
        if (!self)
            return;
        if (result.ok()) {
            copyGalleryTags(self->m_categories, wallpaper, result.file);
            self->m_added.append(result.file);
            self->say(checkmark, wallpaper.title, QStringLiteral("Added to your library"), 2.5);
        }
        self->downloadNext();
    });
}

void GalleryHandOff::chooseWallpaper()
{
    if (m_wanted.size() > 1 && !needsWallpaper(m_settings))
        return;
    // The first wanted entry that is present: when the first failed to download, the next
    // one shows rather than nothing.
    QUrl target;
    for (const GalleryWallpaper &wallpaper : std::as_const(m_wanted)) {
        target = wallpaper.installedFile(m_folder);
        if (exists(target))
            break;
        target.clear();
    }
    if (!target.isEmpty()) {
        m_settings.setCurrentVideo(target);
        m_settings.persist();
        if (m_apply)
            m_apply();
    }
}

void GalleryHandOff::say(const QString &symbol, const QString &title, const QString &subtitle,
                         double seconds)
{
    if (m_announce)
        m_announce({symbol, title, subtitle, seconds});
}

} // namespace quintara
