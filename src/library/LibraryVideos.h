#pragma once

#include "library/RowListModel.h"

#include <QStringList>
#include <QUrl>
#include <QtQml/qqmlregistration.h>

namespace quintara {

class AppSettings;
class CategoryStore;

// One video of the library as the grid shows it.
struct LibraryVideo {
    QUrl url;
    QString title;       // displayTitle
    QString foldedTitle; // case-folded once, so a search folds only its query
    QStringList tags;
    QStringList foldedTags;
    double speed = 1.0;

    QUrl key() const { return url; }
    friend bool operator==(const LibraryVideo &, const LibraryVideo &) = default;
};

// The library's videos, one row per file in library order, with their titles, tags, speeds and
// posters. A new listing, a tag edit or a new speed changes only the rows it concerns.
class LibraryVideos : public RowListModel<LibraryVideo> {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The library model makes its list")

public:
    enum Role {
        urlRole = Qt::UserRole + 1,
        fileNameRole,
        titleRole,
        tagsRole,
        speedRole,
        posterRole
    };

    // `tags` and `settings` are not owned and must outlive the list.
    LibraryVideos(const CategoryStore &tags, const AppSettings &settings,
                  QObject *parent = nullptr);

    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // The files in library order.
    const QList<QUrl> &urls() const { return m_urls; }
    void setUrls(const QList<QUrl> &urls);

private:
    void refresh();

    const CategoryStore &m_tags;
    const AppSettings &m_settings;
    QList<QUrl> m_urls;
};

} // namespace quintara
