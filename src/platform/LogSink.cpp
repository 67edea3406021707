#include "platform/LogSink.h"

#include <cstdio>

namespace quintara {

void StderrLogSink::write(const QString &line)
{
    const QByteArray bytes = line.toUtf8();
    std::fprintf(stderr, "%s\n", bytes.constData());
    std::fflush(stderr);
}

QStringList MemoryLogSink::matching(const QString &prefix) const
{
    QStringList out;
    for (const QString &l : m_lines)
        if (l.startsWith(prefix))
            out.append(l);
    return out;
}

namespace {
StderrLogSink &stderrSink()
{
    static StderrLogSink sink;
    return sink;
}
LogSink *g_sink = nullptr;
} // namespace

namespace log {
void line(const QString &text)
{
    sink()->write(text);
}
void setSink(LogSink *s)
{
    g_sink = s;
}
LogSink *sink()
{
    return g_sink ? g_sink : &stderrSink();
}
} // namespace log

} // namespace quintara
