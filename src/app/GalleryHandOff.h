#pragma once

#include "gallery/GalleryAnnouncer.h"
#include "gallery/GalleryStore.h"
#include "library/CategoryStore.h"

#include <QObject>
#include <QStringList>
#include <functional>

namespace quintara {

class AppSettings;

// One quintara://add link's work, without a window: waits for the catalog, downloads the
// entries the library lacks one after another into the library folder, tags them, makes the
// wallpaper switch when it should, and tells what happens through `announce`.
class GalleryHandOff : public QObject {
    Q_OBJECT
public:
    using Announce = std::function<void(const GalleryNotice &)>;

    // Not owned: `settings` and `gallery` must outlive the hand-off. `apply` shows a new choice
    // of wallpaper; `announce` may be empty (no island: the work is silent).
    GalleryHandOff(AppSettings &settings, GalleryStore &gallery, std::function<void()> apply,
                   Announce announce, QObject *parent = nullptr);

    // Starts the work for `ids`; `finished` follows once it is all done (at once for no ids).
    void start(const QStringList &ids);

signals:
    void finished();

private:
    void catalogReady(const QStringList &ids);
    void downloadNext();
    void chooseWallpaper();
    void say(const QString &symbol, const QString &title, const QString &subtitle, double seconds);

    AppSettings &m_settings;
    GalleryStore &m_gallery;
    std::function<void()> m_apply;
    Announce m_announce;
    QUrl m_folder;
    QList<GalleryWallpaper> m_wanted;
    QList<GalleryWallpaper> m_toAdd;
    QList<QUrl> m_added;
    CategoryStore m_categories;
};

} // namespace quintara
