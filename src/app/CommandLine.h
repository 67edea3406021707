#pragma once

#include <QProcessEnvironment>
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

// The Qt platform to start on. On a Wayland session Qt's Wayland platform would make the
// wallpaper windows ordinary windows in front of everything, so until wallpapers have a native
// Wayland place Quintara runs on XWayland ("xcb"), unless the user chose a platform
// (QT_QPA_PLATFORM). Without XWayland (no DISPLAY) it cannot run at all.
struct PlatformChoice {
    QString platform; // to set as QT_QPA_PLATFORM; empty: leave Qt's own choice
    QString logLine;  // what to say about it, if anything
    bool canRun = true;
};
PlatformChoice choosePlatform(const QProcessEnvironment &environment);

} // namespace quintara
