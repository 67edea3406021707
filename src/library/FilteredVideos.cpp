#include "library/FilteredVideos.h"

#include <algorithm>

namespace quintara {

namespace {

// The search ignores spaces and tabs around the query, not newlines.
QString trimSpacesAndTabs(const QString &text)
{
    auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    qsizetype start = 0, end = text.size();
    while (start < end && blank(text[start]))
        ++start;
    while (end > start && blank(text[end - 1]))
        --end;
    return text.mid(start, end - start);
}

} // namespace

FilteredVideos::FilteredVideos(LibraryVideos &videos, QObject *parent)
    : QSortFilterProxyModel(parent), m_videos(videos)
{
    setSourceModel(&videos);
}

void FilteredVideos::setFilter(const LibraryFilter &filter)
{
    if (filter == m_filter)
        return;
    m_filter = filter;
    invalidateFilter();
}

void FilteredVideos::setQuery(const QString &query)
{
    const QString folded = trimSpacesAndTabs(query).toCaseFolded();
    if (folded == m_foldedQuery)
        return;
    m_foldedQuery = folded;
    m_matcher.setPattern(folded);
    invalidateFilter();
}

QList<QUrl> FilteredVideos::urls() const
{
    QList<QUrl> result;
    for (int row = 0; row < rowCount(); ++row)
        result.append(m_videos.rows().at(mapToSource(index(row, 0)).row()).url);
    return result;
}

bool FilteredVideos::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    const LibraryVideo &video = m_videos.rows().at(sourceRow);
    switch (m_filter.kind) {
    case LibraryFilter::Kind::gallery:
        return false;
    case LibraryFilter::Kind::untagged:
        if (!video.tags.isEmpty())
            return false;
        break;
    case LibraryFilter::Kind::tag:
        if (!video.tags.contains(m_filter.name))
            return false;
        break;
    case LibraryFilter::Kind::all:
        break;
    }
    if (m_foldedQuery.isEmpty())
        return true;
    const auto matches = [this](const QString &text) { return m_matcher.indexIn(text) >= 0; };
    return matches(video.foldedTitle) ||
           std::any_of(video.foldedTags.begin(), video.foldedTags.end(), matches);
}

} // namespace quintara
