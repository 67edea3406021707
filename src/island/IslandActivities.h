#pragma once

#include "activities/LiveActivity.h"

#include <QAbstractListModel>
#include <QDateTime>
#include <QList>
#include <QtQml/qqmlregistration.h>

namespace quintara {

// The activities the expanded island lists, one row each, with the time since each one's
// last report.
class IslandActivities : public QAbstractListModel {
    Q_OBJECT
    QML_ELEMENT
    QML_UNCREATABLE("The island's model lists its activities.")
public:
    enum Role { idRole = Qt::UserRole + 1, sourceRole, lineRole, stateRole, elapsedRole };

    using QAbstractListModel::QAbstractListModel;

    // Rows whose ids stay keep their delegates.
    void setActivities(const QList<LiveActivity> &activities);
    // The moment the elapsed times are counted to.
    void setNow(const QDateTime &now);
    qsizetype size() const { return m_rows.size(); }

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

    // "5 sec", "2 min, 5 sec", "1 hr, 3 min", "2 days, 4 hr".
    static QString elapsedText(qint64 seconds);

private:
    QList<LiveActivity> m_rows;
    QDateTime m_now;
};

} // namespace quintara
