#pragma once

namespace quintara {

// Everything `main` does: reads the command line, becomes the session's one Quintara (or hands
// the request to it) and runs the event loop. Returns the process's exit code.
int runApplication(int argc, char **argv);

} // namespace quintara
