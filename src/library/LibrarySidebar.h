#pragma once

#include "library/LibraryFilter.h"
#include "library/RowListModel.h"

#include <QString>
#include <QtQml/qqmlregistration.h>

namespace quintara {

struct SidebarRow {
    QString section;
    QString title;
    QString symbol;
    int count = 0;
    LibraryFilter filter;

    QString key() const { return QString::number(int(filter.kind)) + filter.name; }
    friend bool operator==(const SidebarRow &, const SidebarRow &) = default;
};

// The sidebar's rows: "Library" (all, untagged), "Discover" (the online gallery) and one "Tags"
// row per tag, each with its symbol, title, count and the filter it selects. A new tag inserts
// its row; a changed count updates its row only.
class LibrarySidebar : public RowListModel<SidebarRow> {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The library model makes its sidebar")

public:
    enum Role { sectionRole = Qt::UserRole + 1, titleRole, symbolRole, countRole, filterRole };

    using RowListModel::RowListModel;

    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    using RowListModel::setRows;
};

} // namespace quintara
