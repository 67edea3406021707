#pragma once

#include "app/CommandLine.h"

namespace quintara {

// `quintara activity ...`: `arguments` starts with the word "activity".
LaunchOptions parseActivityCommand(const QStringList &arguments);

// Posts the report of `options` (or of the hook payload on standard input) to the session's
// broadcast and returns the exit code: 0 once it is posted (or when a hook event has nothing
// to report), 1 without a session bus or with an unreadable hook payload.
int runActivityCommand(int argc, char **argv, const LaunchOptions &options);

} // namespace quintara
