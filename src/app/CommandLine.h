#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

namespace quintara {

// What the command line asks for.
struct LaunchOptions {
    enum class Action { run, help, version, error, activity };
    Action action = Action::run;
    QStringList urls;      // quintara: URLs to hand to the running instance
    QString wallpaper;     // --wallpaper: absolute path of a supported video file that exists
    QString message;       // the help or version text, or the error
    QVariantMap report;    // `activity`: the report to post
    bool fromHook = false; // `activity`: the report comes from a hook's event on stdin
};

// The org.freedesktop.Application action that hands a wallpaper file to the running instance;
// its one argument is the file's absolute path.
inline constexpr char wallpaperAction[] = "wallpaper";

// `arguments` includes the program name first, as argv does. Relative paths are taken from the
// current directory.
LaunchOptions parseCommandLine(const QStringList &arguments);

} // namespace quintara
