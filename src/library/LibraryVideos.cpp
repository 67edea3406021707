#include "library/LibraryVideos.h"

#include "library/CategoryStore.h"
#include "library/ThumbnailCache.h"
#include "settings/AppSettings.h"
#include "settings/VideoFiles.h"

namespace quintara {

LibraryVideos::LibraryVideos(const CategoryStore &tags, const AppSettings &settings,
                             QObject *parent)
    : RowListModel(parent), m_tags(tags), m_settings(settings)
{
    connect(&tags, &CategoryStore::assignmentsChanged, this, &LibraryVideos::refresh);
    connect(&settings, &AppSettings::speedsChanged, this, &LibraryVideos::refresh);
}

void LibraryVideos::setUrls(const QList<QUrl> &urls)
{
    m_urls = urls;
    refresh();
}

void LibraryVideos::refresh()
{
    QList<LibraryVideo> next;
    next.reserve(m_urls.size());
    for (const QUrl &url : std::as_const(m_urls)) {
        LibraryVideo video{url, displayTitle(url),    {}, m_tags.tagsOf(url.fileName()),
                           {},  m_settings.speed(url)};
        video.foldedTitle = video.title.toCaseFolded();
        for (const QString &tag : std::as_const(video.tags))
            video.foldedTags.append(tag.toCaseFolded());
        next.append(std::move(video));
    }
    setRows(next);
}

QVariant LibraryVideos::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const LibraryVideo &video = rows().at(index.row());
    switch (role) {
    case urlRole:
        return video.url;
    case fileNameRole:
        return video.url.fileName();
    case Qt::DisplayRole:
    case titleRole:
        return video.title;
    case tagsRole:
        return video.tags;
    case speedRole:
        return video.speed;
    case posterRole:
        return ThumbnailCache::posterSource(video.url);
    }
    return {};
}

QHash<int, QByteArray> LibraryVideos::roleNames() const
{
    return {{urlRole, "url"},   {fileNameRole, "fileName"}, {titleRole, "title"},
            {tagsRole, "tags"}, {speedRole, "speed"},       {posterRole, "poster"}};
}

} // namespace quintara
