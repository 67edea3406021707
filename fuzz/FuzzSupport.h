#pragma once

#include "platform/LogSink.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

// What every fuzz target shares: an application object (timers and file names need one), a
// scratch folder of the process's own as home, silent diagnostics, and checks that abort so
// libFuzzer keeps the input.
namespace quintara::fuzz {

class Environment {
public:
    Environment()
    {
        qputenv("HOME", m_home.path().toLocal8Bit());
        qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
        log::setSink(&m_log);
    }
    QString home() const { return m_home.path(); }

private:
    struct Silent final : LogSink {
        void write(const QString &) override {}
    };
    int m_argc = 1;
    char m_name[8] = "fuzzer";
    char *m_argv[2] = {m_name, nullptr};
    QCoreApplication m_app{m_argc, m_argv};
    // In memory where there is such a place: saving a file syncs it, and disks are slow.
    QTemporaryDir m_home{(QFileInfo(QStringLiteral("/dev/shm")).isWritable()
                              ? QStringLiteral("/dev/shm")
                              : QDir::tempPath()) +
                         QStringLiteral("/quintara-fuzz-XXXXXX")};
    Silent m_log;
};

// Made on first use, so before any input is run.
inline Environment &environment()
{
    static Environment instance;
    return instance;
}

[[noreturn]] inline void fail(const char *check, const char *file, int line)
{
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, check);
    std::abort();
}

} // namespace quintara::fuzz

#define FUZZ_CHECK(condition)                                                                      \
    ((condition) ? void() : quintara::fuzz::fail(#condition, __FILE__, __LINE__))
