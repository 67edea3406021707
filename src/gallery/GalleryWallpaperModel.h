#pragma once

#include "gallery/GalleryWallpaper.h"

#include <QAbstractListModel>
#include <QHash>
#include <QtQml/qqmlregistration.h>

namespace quintara {

// The catalog's entries as the gallery's grid shows them, with each entry's download progress.
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
    };
    Q_ENUM(Role)

    explicit GalleryWallpaperModel(QObject *parent = nullptr) : QAbstractListModel(parent) {}

    const QList<GalleryWallpaper> &wallpapers() const { return m_wallpapers; }
    int count() const { return int(m_wallpapers.size()); }
    void setWallpapers(const QList<GalleryWallpaper> &wallpapers);
    // Entries whose progress differs from before are updated.
    void setProgress(const QHash<QString, double> &progress);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

signals:
    void countChanged();

private:
    QList<GalleryWallpaper> m_wallpapers;
    QHash<QString, double> m_progress;
};

} // namespace quintara
