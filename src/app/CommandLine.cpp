#include "app/CommandLine.h"

#include "app/ActivityCommand.h"
#include "settings/VideoFiles.h"

#include <QCommandLineParser>
#include <QFileInfo>
#include <QUrl>

namespace quintara {

LaunchOptions parseCommandLine(const QStringList &arguments)
{
    if (arguments.size() > 1 && arguments.at(1) == QLatin1String("activity"))
        return parseActivityCommand(arguments.mid(1));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Quintara plays looping video wallpapers behind the desktop.\n"
                       "'quintara activity --help' tells how scripts show activities in it."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption wallpaper(
        QStringLiteral("wallpaper"),
        QStringLiteral("Make FILE (.mp4, .mov or .m4v) the wallpaper of every display."),
        QStringLiteral("FILE"));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(wallpaper);
    parser.addPositionalArgument(QStringLiteral("url"),
                                 QStringLiteral("quintara: links to open in Quintara."),
                                 QStringLiteral("[url...]"));

    LaunchOptions options;
    if (!parser.parse(arguments)) {
        options.action = LaunchOptions::Action::error;
        options.message =
            parser.errorText() + QStringLiteral("\nRun 'quintara --help' to see the options.");
        return options;
    }
    if (parser.isSet(help)) {
        options.action = LaunchOptions::Action::help;
        options.message = parser.helpText();
        return options;
    }
    if (parser.isSet(version)) {
        options.action = LaunchOptions::Action::version;
        options.message = QStringLiteral("Quintara %1").arg(QStringLiteral(QUINTARA_VERSION));
        return options;
    }
    if (parser.isSet(wallpaper)) {
        const QString path = parser.value(wallpaper);
        const QFileInfo info(path);
        QString problem;
        if (!info.exists())
            problem = QStringLiteral("there is no such file");
        else if (!info.isFile())
            problem = QStringLiteral("it is not a file");
        else if (!isSupportedVideo(info.fileName()))
            problem = QStringLiteral("only .mp4, .mov and .m4v videos can be wallpapers");
        else if (!info.isReadable())
            problem = QStringLiteral("it cannot be read");
        if (!problem.isEmpty()) {
            options.action = LaunchOptions::Action::error;
            options.message =
                QStringLiteral("Cannot use '%1' as the wallpaper: %2.").arg(path, problem);
            return options;
        }
        options.wallpaper = info.absoluteFilePath();
    }
    for (const QString &argument : parser.positionalArguments()) {
        const QUrl url(argument);
        if (url.scheme() != QLatin1String("quintara")) {
            options.action = LaunchOptions::Action::error;
            options.message =
                QStringLiteral("Unexpected argument '%1': only quintara: links can be opened.\n"
                               "Run 'quintara --help' to see the options.")
                    .arg(argument);
            return options;
        }
        options.urls.append(argument);
    }
    return options;
}

PlatformChoice choosePlatform(const QProcessEnvironment &environment)
{
    const auto set = [&](const char *name) { return !environment.value(name).isEmpty(); };
    if (set("QT_QPA_PLATFORM") || !set("WAYLAND_DISPLAY"))
        return {};
    if (!set("DISPLAY"))
        return {{},
                QStringLiteral("Quintara: this Wayland session has no XWayland; Quintara needs it "
                               "to place wallpapers behind the desktop"),
                false};
    return {QStringLiteral("xcb"),
            QStringLiteral("Quintara: Wayland session; running on XWayland so that wallpapers "
                           "stay behind the desktop")};
}

} // namespace quintara
