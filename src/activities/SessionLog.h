#pragma once

#include "activities/LiveActivity.h"

#include <QByteArrayView>
#include <QHash>
#include <QJsonObject>
#include <QString>
#include <optional>

namespace quintara {

// The first non-empty line of `text`, trimmed, cut to 70 user-perceived characters and "…";
// nothing when that leaves nothing.
std::optional<QString> snippet(const std::optional<QString> &text);

// Whether a line of a coding agent's session log might be one of the records the session
// reader uses. A cheap look at the raw bytes: it never says no to such a record, while most
// other lines (tool calls, their output, reasoning) are turned away without being parsed.
bool mayBeSessionRecord(QByteArrayView line);

// What one session log has told so far, and the report its records yield.
class SessionLog {
public:
    explicit SessionLog(const QString &path);

    // Interprets one complete line; returns the report it yields, if any. Lines that are not
    // records of the expected shape are skipped.
    std::optional<ActivityReport> read(QByteArrayView line);
    // Interprets one record.
    std::optional<ActivityReport> parse(const QString &type, const QJsonObject &payload);

private:
    QString m_id;
    std::optional<QString> m_source;
    std::optional<QString> m_lastPrompt;
};

} // namespace quintara
