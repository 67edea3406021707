#pragma once

#include <QAbstractListModel>
#include <QList>
#include <QSet>

namespace quintara {

// A list model over plain rows that moves from one list to the next by the smallest change a
// view can follow: rows whose `key()` went away are removed, new ones inserted where they stand,
// and kept rows that differ (`==`) report dataChanged. A view thus keeps every delegate that
// still shows the same row. Kept rows are expected in the same order; when they are not, the
// model resets.
template <class Row> class RowListModel : public QAbstractListModel {
public:
    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = {}) const override
    {
        return parent.isValid() ? 0 : int(m_rows.size());
    }
    const QList<Row> &rows() const { return m_rows; }

protected:
    void setRows(const QList<Row> &next)
    {
        using Key = decltype(next.first().key());
        QSet<Key> nextKeys;
        for (const Row &row : next)
            nextKeys.insert(row.key());
        removeRowsNotIn(nextKeys);

        QSet<Key> kept;
        QList<Key> keptOrder;
        for (const Row &row : std::as_const(m_rows)) {
            kept.insert(row.key());
            keptOrder.append(row.key());
        }
        QList<Key> nextOrder;
        for (const Row &row : next)
            if (kept.contains(row.key()))
                nextOrder.append(row.key());
        if (nextOrder != keptOrder) {
            beginResetModel();
            m_rows = next;
            endResetModel();
            return;
        }

        for (qsizetype i = 0; i < next.size();) {
            if (i < m_rows.size() && m_rows[i].key() == next[i].key()) {
                if (!(m_rows[i] == next[i])) {
                    m_rows[i] = next[i];
                    emit dataChanged(index(int(i)), index(int(i)));
                }
                ++i;
                continue;
            }
            qsizetype end = i;
            while (end < next.size() && !kept.contains(next[end].key()))
                ++end;
            beginInsertRows({}, int(i), int(end - 1));
            m_rows.insert(i, end - i, Row());
            std::copy(next.begin() + i, next.begin() + end, m_rows.begin() + i);
            endInsertRows();
            i = end;
        }
    }

private:
    template <class Keys> void removeRowsNotIn(const Keys &keys)
    {
        // Runs of gone rows, from the end so that earlier indexes stay valid.
        for (qsizetype last = m_rows.size() - 1; last >= 0; --last) {
            if (keys.contains(m_rows[last].key()))
                continue;
            qsizetype first = last;
            while (first > 0 && !keys.contains(m_rows[first - 1].key()))
                --first;
            beginRemoveRows({}, int(first), int(last));
            m_rows.remove(first, last - first + 1);
            endRemoveRows();
            last = first;
        }
    }

    QList<Row> m_rows;
};

} // namespace quintara
