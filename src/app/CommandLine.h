#pragma once

#include <QString>
#include <QStringList>

namespace quintara {

// What the command line asks for.
struct LaunchOptions {
    enum class Action { run, help, version, error };
    Action action = Action::run;
    QStringList urls; // quintara: URLs to hand to the running instance
    QString message;  // the help or version text, or the error
};

// `arguments` includes the program name first, as argv does.
LaunchOptions parseCommandLine(const QStringList &arguments);

} // namespace quintara
