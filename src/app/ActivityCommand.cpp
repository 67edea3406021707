#include "app/ActivityCommand.h"

#include "activities/HookReport.h"
#include "activities/LiveActivity.h"
#include "platform/linux/DBusBroadcast.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDBusError>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

namespace quintara {

namespace {

const QStringList states{QStringLiteral("running"), QStringLiteral("done"),
                         QStringLiteral("attention")};

LaunchOptions failure(const QString &message)
{
    LaunchOptions options;
    options.action = LaunchOptions::Action::error;
    options.message =
        message + QStringLiteral("\nRun 'quintara activity --help' to see the options.");
    return options;
}

} // namespace

LaunchOptions parseActivityCommand(const QStringList &arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Shows an activity in Quintara's island: posts it to the session, whether or not "
        "Quintara runs. A report with the id of a known activity and an empty title changes "
        "only its state."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption source(QStringLiteral("source"),
                                    QStringLiteral("Who reports it, for example \"My build\"."),
                                    QStringLiteral("S"));
    const QCommandLineOption id(QStringLiteral("id"),
                                QStringLiteral("Its identity; a later report with the same id "
                                               "replaces it (default: the source)."),
                                QStringLiteral("I"));
    const QCommandLineOption state(QStringLiteral("state"),
                                   QStringLiteral("running (default), done or attention."),
                                   QStringLiteral("STATE"));
    const QCommandLineOption title(QStringLiteral("title"), QStringLiteral("What it is about."),
                                   QStringLiteral("T"));
    const QCommandLineOption detail(QStringLiteral("detail"), QStringLiteral("A second line."),
                                    QStringLiteral("D"));
    const QCommandLineOption fromHook(
        QStringLiteral("from-hook"),
        QStringLiteral("Read a Claude Code hook's event (JSON) from standard input instead."));
    parser.addOptions({help, source, id, state, title, detail, fromHook});

    // The parser wants a program name first.
    QStringList withProgram = arguments;
    withProgram.first() = QStringLiteral("quintara activity");
    if (!parser.parse(withProgram))
        return failure(parser.errorText());
    LaunchOptions options;
    options.action = LaunchOptions::Action::activity;
    if (parser.isSet(help)) {
        options.action = LaunchOptions::Action::help;
        options.message = parser.helpText();
        return options;
    }
    if (!parser.positionalArguments().isEmpty())
        return failure(
            QStringLiteral("Unexpected argument '%1'.").arg(parser.positionalArguments().first()));
    if (parser.isSet(fromHook)) {
        for (const QCommandLineOption &other : {source, id, state, title, detail})
            if (parser.isSet(other))
                return failure(QStringLiteral("--from-hook takes no other option."));
        options.fromHook = true;
        return options;
    }
    if (!parser.isSet(source) || parser.value(source).isEmpty())
        return failure(QStringLiteral("An activity needs --source."));
    if (!parser.isSet(title))
        return failure(QStringLiteral("An activity needs --title."));
    if (parser.isSet(state) && !states.contains(parser.value(state)))
        return failure(QStringLiteral("Unknown state '%1': use running, done or attention.")
                           .arg(parser.value(state)));
    options.report.insert(QLatin1String(reportKey::source), parser.value(source));
    options.report.insert(QLatin1String(reportKey::title), parser.value(title));
    options.report.insert(QLatin1String(reportKey::state),
                          parser.isSet(state) ? parser.value(state) : states.first());
    if (parser.isSet(id))
        options.report.insert(QLatin1String(reportKey::id), parser.value(id));
    if (parser.isSet(detail))
        options.report.insert(QLatin1String(reportKey::detail), parser.value(detail));
    return options;
}

int runActivityCommand(int argc, char **argv, const LaunchOptions &options)
{
    QCoreApplication app(argc, argv);
    QVariantMap report = options.report;
    if (options.fromHook) {
        // Never exit 2 here: the agent takes that as a request to block the prompt. Print
        // nothing on standard output either: the agent reads it.
        QFile input;
        if (!input.open(stdin, QIODevice::ReadOnly)) {
            std::fprintf(stderr, "quintara: cannot read the hook's event from standard input\n");
            return 1;
        }
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(input.readAll(), &error);
        if (!document.isObject()) {
            std::fprintf(stderr, "quintara: the hook's event is not a JSON object: %s\n",
                         qPrintable(error.errorString()));
            return 1;
        }
        const std::optional<ActivityReport> hookReport = reportFromHook(document.object());
        if (!hookReport)
            return 0;
        report = *hookReport;
    }
    DBusBroadcast broadcast;
    if (!broadcast.post(report)) {
        std::fprintf(stderr, "quintara: cannot post the activity: no session bus (%s)\n",
                     qPrintable(QDBusConnection::sessionBus().lastError().message()));
        return 1;
    }
    return 0;
}

} // namespace quintara
