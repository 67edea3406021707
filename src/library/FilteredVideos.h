#pragma once

#include "library/LibraryFilter.h"
#include "library/LibraryVideos.h"

#include <QSortFilterProxyModel>
#include <QStringMatcher>
#include <QtQml/qqmlregistration.h>

namespace quintara {

// The grid's videos: the library narrowed by the sidebar's filter and the search text, in
// library order. A video matches the search when its title or one of its tags contains the
// text, trimmed of spaces and tabs and compared by Unicode case folding. The gallery filter
// leaves nothing (the gallery shows instead).
class FilteredVideos : public QSortFilterProxyModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The library model makes its list")

public:
    explicit FilteredVideos(LibraryVideos &videos, QObject *parent = nullptr);

    void setFilter(const LibraryFilter &filter);
    void setQuery(const QString &query);

    QList<QUrl> urls() const;

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;

private:
    LibraryVideos &m_videos;
    LibraryFilter m_filter;
    QString m_foldedQuery;
    QStringMatcher m_matcher;
};

} // namespace quintara
