#include "island/IslandActivities.h"

#include <algorithm>

namespace quintara {

void IslandActivities::setActivities(const QList<LiveActivity> &activities)
{
    const auto ids = [](const QList<LiveActivity> &list) {
        QStringList out;
        for (const LiveActivity &a : list)
            out << a.id;
        return out;
    };
    if (ids(activities) != ids(m_rows)) {
        beginResetModel();
        m_rows = activities;
        endResetModel();
        return;
    }
    m_rows = activities;
    if (!m_rows.isEmpty())
        emit dataChanged(index(0), index(int(m_rows.size()) - 1));
}

void IslandActivities::setNow(const QDateTime &now)
{
    m_now = now;
    if (!m_rows.isEmpty())
        emit dataChanged(index(0), index(int(m_rows.size()) - 1), {elapsedRole});
}

int IslandActivities::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant IslandActivities::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid))
        return {};
    const LiveActivity &activity = m_rows.at(index.row());
    switch (role) {
    case idRole:
        return activity.id;
    case sourceRole:
        return activity.source;
    case lineRole:
        return activity.detail ? activity.title + QStringLiteral(" \u2014 ") + *activity.detail
                               : activity.title;
    case stateRole:
        return rawValue(activity.state);
    case elapsedRole:
        return elapsedText(std::max<qint64>(0, activity.updated.secsTo(m_now)));
    default:
        return {};
    }
}

QHash<int, QByteArray> IslandActivities::roleNames() const
{
    return {{idRole, "activityId"},
            {sourceRole, "source"},
            {lineRole, "line"},
            {stateRole, "activityState"},
            {elapsedRole, "elapsed"}};
}

QString IslandActivities::elapsedText(qint64 seconds)
{
    struct Unit {
        qint64 seconds;
        const char *name;
    };
    static constexpr Unit units[]{{86400, "day"}, {3600, "hr"}, {60, "min"}, {1, "sec"}};
    const auto named = [](qint64 count, const Unit &unit) {
        QString name = QLatin1String(unit.name);
        if (unit.seconds == 86400 && count != 1)
            name += QLatin1Char('s');
        return QString::number(count) + QLatin1Char(' ') + name;
    };
    for (std::size_t i = 0; i + 1 < std::size(units); ++i) {
        if (seconds < units[i].seconds)
            continue;
        const qint64 major = seconds / units[i].seconds;
        const qint64 minor = seconds % units[i].seconds / units[i + 1].seconds;
        return minor == 0
                   ? named(major, units[i])
                   : named(major, units[i]) + QStringLiteral(", ") + named(minor, units[i + 1]);
    }
    return named(seconds, units[3]);
}

} // namespace quintara
