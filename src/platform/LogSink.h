#pragma once

#include <QString>
#include <QStringList>

namespace quintara {

// Where the program's diagnostic lines ("Quintara: ...") go. The default sink writes one line
// per message to standard error, where the session journal picks it up.
class LogSink {
public:
    virtual ~LogSink() = default;
    virtual void write(const QString &line) = 0;
};

class StderrLogSink final : public LogSink {
public:
    void write(const QString &line) override;
};

// Keeps every line in memory; tests install it to read what the program said.
class MemoryLogSink final : public LogSink {
public:
    void write(const QString &line) override { m_lines.append(line); }
    const QStringList &lines() const { return m_lines; }
    void clear() { m_lines.clear(); }
    // Lines that start with `prefix`.
    QStringList matching(const QString &prefix) const;

private:
    QStringList m_lines;
};

namespace log {
// Writes one diagnostic line exactly as given.
void line(const QString &text);
// Installs `sink` (not owned) for every later line; nullptr restores standard error.
void setSink(LogSink *sink);
LogSink *sink();
} // namespace log

// Installs a sink for the lifetime of this object and restores the previous one after.
class ScopedLogSink {
public:
    explicit ScopedLogSink(LogSink *sink) : m_previous(log::sink()) { log::setSink(sink); }
    ~ScopedLogSink() { log::setSink(m_previous); }
    ScopedLogSink(const ScopedLogSink &) = delete;
    ScopedLogSink &operator=(const ScopedLogSink &) = delete;

private:
    LogSink *m_previous;
};

} // namespace quintara
