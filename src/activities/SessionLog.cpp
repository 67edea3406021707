#include "activities/SessionLog.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QTextBoundaryFinder>
#include <cstring>

namespace quintara {

namespace {

constexpr int snippetLength = 70;

bool isLineBreak(QChar c)
{
    switch (c.unicode()) {
    case 0x0A:
    case 0x0B:
    case 0x0C:
    case 0x0D:
    case 0x85:
    case 0x2028:
    case 0x2029:
        return true;
    default:
        return false;
    }
}

// Position just after the first `count` user-perceived characters, or -1 when there are no
// more than that.
qsizetype afterCharacters(const QString &text, int count)
{
    QTextBoundaryFinder graphemes(QTextBoundaryFinder::Grapheme, text);
    qsizetype position = 0;
    for (int i = 0; i < count; ++i) {
        position = graphemes.toNextBoundary();
        if (position < 0 || position >= text.size())
            return -1;
    }
    return position;
}

const char *find(const char *from, const char *end, char c)
{
    return static_cast<const char *>(std::memchr(from, c, size_t(end - from)));
}

bool startsWith(const char *at, const char *end, QByteArrayView prefix)
{
    return end - at >= prefix.size() && std::memcmp(at, prefix.data(), size_t(prefix.size())) == 0;
}

const char *skipBlanks(const char *at, const char *end)
{
    while (at < end && (*at == ' ' || *at == '\t' || *at == '\r' || *at == '\n'))
        ++at;
    return at;
}

bool isHex(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// An escape that spells a printable ASCII character could hide any of the words looked for: a
// \u escape, or one the parser takes as the character itself (it reads "\s" as "s").
bool hasAsciiEscape(const char *begin, const char *end)
{
    for (const char *at = find(begin, end, '\\'); at; at = find(at + 1, end, '\\')) {
        if (end - at < 2)
            return false;
        if (at[1] != 'u' && QByteArrayView("\"\\/bfnrt").indexOf(at[1]) < 0)
            return true;
        if (at[1] == 'u' && end - at >= 6 && at[2] == '0' && at[3] == '0' && at[4] >= '2' &&
            at[4] <= '7' && isHex(at[5]))
            return true;
        ++at; // the escaped character is never the start of another escape
    }
    return false;
}

} // namespace

std::optional<QString> snippet(const std::optional<QString> &text)
{
    if (!text)
        return std::nullopt;
    qsizetype start = 0;
    while (start < text->size() && isLineBreak(text->at(start)))
        ++start;
    qsizetype end = start;
    while (end < text->size() && !isLineBreak(text->at(end)))
        ++end;
    const QString line = text->mid(start, end - start).trimmed();
    if (line.isEmpty())
        return std::nullopt;
    const qsizetype cut = afterCharacters(line, snippetLength);
    if (cut < 0)
        return line;
    return line.left(cut) + QChar(0x2026);
}

bool mayBeSessionRecord(QByteArrayView line)
{
    const char *begin = line.data();
    const char *end = begin + line.size();
    bool responseItem = false, message = false;
    // Every `"type"` key, wherever it is: the record's own and its payload's. 'y' is far rarer
    // than the quote, so it leads the search.
    for (const char *y = find(begin, end, 'y'); y; y = find(y + 1, end, 'y')) {
        if (y - begin < 2 || !startsWith(y - 2, end, "\"type\""))
            continue;
        const char *value = skipBlanks(y + 4, end);
        if (value == end || *value != ':')
            continue;
        value = skipBlanks(value + 1, end);
        if (startsWith(value, end, "\"event_msg\"") || startsWith(value, end, "\"session_meta\""))
            return true;
        responseItem = responseItem || startsWith(value, end, "\"response_item\"");
        message = message || startsWith(value, end, "\"message\"");
    }
    return (responseItem && message) || hasAsciiEscape(begin, end);
}

SessionLog::SessionLog(const QString &path)
    : m_id(QStringLiteral("codex-") + QFileInfo(path).completeBaseName().right(12))
{}

std::optional<ActivityReport> SessionLog::read(QByteArrayView line)
{
    const QJsonDocument document = QJsonDocument::fromJson(line.toByteArray());
    const QJsonObject record = document.object();
    const QJsonValue type = record.value(QLatin1String("type"));
    const QJsonValue payload = record.value(QLatin1String("payload"));
    if (!type.isString() || !payload.isObject())
        return std::nullopt;
    return parse(type.toString(), payload.toObject());
}

std::optional<ActivityReport> SessionLog::parse(const QString &type, const QJsonObject &payload)
{
    const QString kind = payload.value(QLatin1String("type")).toString();
    if (type == QLatin1String("session_meta")) {
        const QString originator = payload.value(QLatin1String("originator")).toString();
        m_source = originator.contains(QLatin1String("desktop")) ? QStringLiteral("ChatGPT")
                                                                 : QStringLiteral("Codex");
        return std::nullopt;
    }
    if (type == QLatin1String("response_item")) {
        const QJsonValue content = payload.value(QLatin1String("content"));
        if (kind != QLatin1String("message") ||
            payload.value(QLatin1String("role")).toString() != QLatin1String("user") ||
            !content.isArray())
            return std::nullopt;
        std::optional<QString> prompt;
        for (const QJsonValue &item : content.toArray()) {
            const QJsonValue text = item.toObject().value(QLatin1String("text"));
            // Texts in angle brackets are context the agent adds, not what the user typed.
            if (text.isString() && !text.toString().startsWith(QLatin1Char('<')))
                prompt = text.toString();
        }
        if (prompt)
            m_lastPrompt = prompt;
        return std::nullopt;
    }
    if (type != QLatin1String("event_msg"))
        return std::nullopt;
    if (kind == QLatin1String("user_message")) {
        const QJsonValue message = payload.value(QLatin1String("message"));
        if (message.isString())
            m_lastPrompt = message.toString();
        return std::nullopt;
    }
    const bool started = kind == QLatin1String("task_started");
    if (!started && kind != QLatin1String("task_complete"))
        return std::nullopt;
    std::optional<QString> title;
    if (started) {
        title = snippet(m_lastPrompt).value_or(QStringLiteral("Working on it"));
    } else {
        const QJsonValue reply = payload.value(QLatin1String("last_agent_message"));
        title = snippet(reply.isString() ? std::optional(reply.toString()) : std::nullopt)
                    .value_or(QStringLiteral("Reply ready"));
    }
    return ActivityReport{
        {QLatin1String(reportKey::id), m_id},
        {QLatin1String(reportKey::source), m_source.value_or(QStringLiteral("Codex"))},
        {QLatin1String(reportKey::state),
         started ? QStringLiteral("running") : QStringLiteral("done")},
        {QLatin1String(reportKey::title), *title},
    };
}

} // namespace quintara
