#include "app/CommandLine.h"

#include <QCommandLineParser>
#include <QUrl>

namespace quintara {

LaunchOptions parseCommandLine(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Quintara plays looping video wallpapers behind the desktop."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version({QStringLiteral("v"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    parser.addOption(help);
    parser.addOption(version);
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

} // namespace quintara
