#pragma once

#include "gallery/GalleryStore.h"
#include "library/LibraryModel.h"

#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>
#include <optional>

namespace quintara {

class AppSettings;
class CategoryStore;

// Gives a freshly installed gallery video the entry's tags, creating the tags the library lacks
// (an existing tag equal but for case is reused).
void copyGalleryTags(CategoryStore &categories, const GalleryWallpaper &wallpaper,
                     const QUrl &video);

// Whether nothing valid plays: no current video, or its file is gone.
bool needsWallpaper(const AppSettings &settings);

// The control panel's actions on a gallery entry, as its gallery view calls them with the
// entry's id: download it into the library, use it, or move it to the Trash. It also keeps the
// gallery's tiles told which entries the library's listing holds.
class GalleryActions : public QObject {
    Q_OBJECT
public:
    // Not owned; each must outlive the actions.
    GalleryActions(AppSettings &settings, GalleryStore &gallery, LibraryModel &library,
                   QObject *parent = nullptr);

    // Runs after a change of the wallpaper choice (the engine switches over).
    std::function<void()> onApply;
    // The display chosen in the control panel, when it offers a choice and one is chosen.
    std::optional<QString> chosenDisplay;

    // Without a library folder the folder chooser opens and nothing downloads. Otherwise the
    // entry downloads into the library; once installed it is counted, gets its tags, the
    // library is listed again, and it becomes the wallpaper when nothing valid plays. A failed
    // download shows nothing.
    Q_INVOKABLE void onDownload(const QString &id);
    // Makes the installed entry the wallpaper (of the chosen display, if any).
    Q_INVOKABLE void onUse(const QString &id);
    // Asks to move the installed entry to the Trash: the view shows the confirmation, and the
    // library's Trash flow carries it out.
    Q_INVOKABLE void onRemove(const QString &id);

signals:
    void trashConfirmationRequested(const QString &title, const QString &message,
                                    const QString &confirmButton, const QString &cancelButton);

private:
    void listingChanged();
    std::optional<GalleryWallpaper> wallpaper(const QString &id) const;
    void installed(const GalleryWallpaper &wallpaper, const QUrl &video);

    AppSettings &m_settings;
    GalleryStore &m_gallery;
    LibraryModel &m_library;
};

} // namespace quintara
