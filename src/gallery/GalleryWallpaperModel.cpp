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
            emit dataChanged(index(row), index(row),
                             {DownloadingRole, ProgressRole, ProgressTextRole, ActionRole});
    }
}

void GalleryWallpaperModel::setLibraryFiles(const QStringList &fileNames)
{
    m_libraryFiles = QSet<QString>(fileNames.begin(), fileNames.end());
    if (count() > 0)
        emit dataChanged(index(0), index(count() - 1), {InLibraryRole, ActionRole});
}

QString GalleryWallpaperModel::percentText(double fraction)
{
    // Truncated, with a nudge so that 0.29 does not read 28 for want of a last binary digit.
    return QString::number(int(fraction * 100 + 1e-9)) + QLatin1Char('%');
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
    const bool inLibrary = m_libraryFiles.contains(w.id + QStringLiteral(".mp4"));
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
    case ProgressTextRole:
        return percentText(m_progress.value(w.id, 0.0));
    case InLibraryRole:
        return inLibrary;
    case ActionRole:
        return QVariant::fromValue(m_progress.contains(w.id) ? Action::downloading
                                   : inLibrary               ? Action::use
                                                             : Action::download);
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
            {ProgressRole, "progress"},
            {ProgressTextRole, "progressText"},
            {InLibraryRole, "inLibrary"},
            {ActionRole, "action"}};
}

} // namespace quintara
