#pragma once

#include "gallery/GalleryWallpaper.h"

#include <QAbstractListModel>
#include <QHash>
#include <QSet>
#include <QtQml/qqmlregistration.h>

namespace quintara {

// The catalog's entries as the gallery's grid shows them: each entry's download progress,
// whether it is in the library, and so which action its tile offers.
class GalleryWallpaperModel : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The gallery store owns its list")
    Q_PROPERTY(int count READ count NOTIFY countChanged)

public:
    enum Role {
        IdRole = Qt::UserRole + 1,
        TitleRole,
        DescriptionRole,
        TagsRole,
        CreditRole,
        CreditLineRole,
        CreditHelpRole,
        UnverifiedRole,
        LicenceNameRole,
        LicenceUrlRole,
        VideoRole,
        PosterRole,
        BytesRole,
        DownloadTitleRole,
        DownloadingRole,
        ProgressRole,
        ProgressTextRole,
        InLibraryRole,
        ActionRole,
    };
    Q_ENUM(Role)

    // What a tile's button does: its progress while downloading, else "Use" for an entry in the
    // library, else "Get · N MB".
    enum class Action { download, use, downloading };
    Q_ENUM(Action)

    explicit GalleryWallpaperModel(QObject *parent = nullptr) : QAbstractListModel(parent) {}

    const QList<GalleryWallpaper> &wallpapers() const { return m_wallpapers; }
    int count() const { return int(m_wallpapers.size()); }
    void setWallpapers(const QList<GalleryWallpaper> &wallpapers);
    // Entries whose progress differs from before are updated.
    void setProgress(const QHash<QString, double> &progress);
    // The library's file names, as the control panel last listed them: an entry is in the
    // library when they hold its id + ".mp4" (a file on disk that the listing lacks is not).
    Q_INVOKABLE void setLibraryFiles(const QStringList &fileNames);
    // A fraction as the progress capsule shows it: 0.999 reads "99%".
    static QString percentText(double fraction);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    void countChanged();

private:
    QList<GalleryWallpaper> m_wallpapers;
    QHash<QString, double> m_progress;
    QSet<QString> m_libraryFiles;
};

} // namespace quintara
