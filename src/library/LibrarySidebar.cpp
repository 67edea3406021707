#include "library/LibrarySidebar.h"

namespace quintara {

QVariant LibrarySidebar::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const SidebarRow &row = rows().at(index.row());
    switch (role) {
    case sectionRole:
        return row.section;
    case Qt::DisplayRole:
    case titleRole:
        return row.title;
    case symbolRole:
        return row.symbol;
    case countRole:
        return row.count;
    case filterRole:
        return QVariant::fromValue(row.filter);
    }
    return {};
}

QHash<int, QByteArray> LibrarySidebar::roleNames() const
{
    return {{sectionRole, "section"},
            {titleRole, "title"},
            {symbolRole, "symbol"},
            {countRole, "count"},
            {filterRole, "filter"}};
}

} // namespace quintara
