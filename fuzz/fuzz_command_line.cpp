// The command line, its arguments separated by NUL bytes. Every outcome is complete, and an
// activity's report, written back as options, parses to the same report.
#include "FuzzSupport.h"
#include "activities/LiveActivity.h"
#include "app/CommandLine.h"
#include "settings/VideoFiles.h"

#include <QFileInfo>
#include <QUrl>

using namespace quintara;
using Action = LaunchOptions::Action;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::environment();
    QStringList arguments{QStringLiteral("quintara")};
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    if (!bytes.isEmpty())
        for (const QByteArray &argument : bytes.split('\0'))
            arguments.append(QString::fromUtf8(argument));

    const LaunchOptions options = parseCommandLine(arguments);
    switch (options.action) {
    case Action::help:
    case Action::version:
    case Action::error:
        FUZZ_CHECK(!options.message.isEmpty());
        break;
    case Action::run:
        for (const QString &url : options.urls)
            FUZZ_CHECK(QUrl(url).scheme() == QLatin1String("quintara"));
        FUZZ_CHECK(options.wallpaper.isEmpty() ||
                   (QFileInfo(options.wallpaper).isAbsolute() &&
                    QFileInfo(options.wallpaper).isFile() && isSupportedVideo(options.wallpaper)));
        break;
    case Action::activity:
        if (options.fromHook)
            break;
        QStringList written{QStringLiteral("quintara"), QStringLiteral("activity")};
        for (auto it = options.report.cbegin(); it != options.report.cend(); ++it) {
            FUZZ_CHECK(it->typeId() == QMetaType::QString);
            written.append(QStringLiteral("--%1=%2").arg(it.key(), it->toString()));
        }
        FUZZ_CHECK(!reportString(options.report, reportKey::source).value_or(QString()).isEmpty());
        const LaunchOptions reparsed = parseCommandLine(written);
        FUZZ_CHECK(reparsed.action == Action::activity && reparsed.report == options.report);
        break;
    }
    return 0;
}
