#include "gallery/GalleryWallpaperModel.h"

namespace quintara {

void GalleryWallpaperModel::setWallpapers(const QList<GalleryWallpaper> &wallpapers)
{
    beginResetModel();
    m_wallpapers = wallpapers;
    endResetModel();
    emit countChanged();
}

void GalleryWallpaperModel::setProgress(const QHash<QString, double> &progress)
{
    const QHash<QString, double> old = std::exchange(m_progress, progress);
    for (int row = 0; row < count(); ++row) {
        const QString &id = m_wallpapers.at(row).id;
        if (old.contains(id) != progress.contains(id) || old.value(id) != progress.value(id))
            emit dataChanged(index(row), index(row), {DownloadingRole, ProgressRole});
    }
}

int GalleryWallpaperModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : count();
}

QVariant GalleryWallpaperModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const GalleryWallpaper &w = m_wallpapers.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case TitleRole:
        return w.title;
    case IdRole:
        return w.id;
    case DescriptionRole:
        return w.description;
    case TagsRole:
        return w.tags;
    case CreditRole:
        return w.credit;
    case CreditLineRole:
        return w.creditLine();
    case CreditHelpRole:
        return w.creditHelp();
    case UnverifiedRole:
        return w.isUnverified();
    case LicenceNameRole:
        return w.licence.name;
    case LicenceUrlRole:
        return w.licence.url.value_or(QUrl());
    case VideoRole:
        return w.video;
    case PosterRole:
        return w.poster;
    case BytesRole:
        return w.bytes;
    case DownloadTitleRole:
        return w.downloadTitle();
    case DownloadingRole:
        return m_progress.contains(w.id);
    case ProgressRole:
        return m_progress.value(w.id, 0.0);
    default:
        return {};
    }
}

QHash<int, QByteArray> GalleryWallpaperModel::roleNames() const
{
    return {{IdRole, "wallpaperId"},
            {TitleRole, "title"},
            {DescriptionRole, "description"},
            {TagsRole, "tags"},
            {CreditRole, "credit"},
            {CreditLineRole, "creditLine"},
            {CreditHelpRole, "creditHelp"},
            {UnverifiedRole, "unverified"},
            {LicenceNameRole, "licenceName"},
            {LicenceUrlRole, "licenceUrl"},
            {VideoRole, "video"},
            {PosterRole, "poster"},
            {BytesRole, "bytes"},
            {DownloadTitleRole, "downloadTitle"},
            {DownloadingRole, "downloading"},
            {ProgressRole, "progress"}};
}

} // namespace quintara
