#pragma once

#include "VirtualScheduler.h"
#include "island/DynamicIslandController.h"
#include "platform/MediaPlayers.h"

#include <QStringList>

namespace quintara::test {

// The scenes the island's view is drawn in, by name.
inline const QStringList islandScenes{"resting with an activity", "an event",
                                      "expanded with music and two activities"};

// Brings `island`, running on `clock`, into the scene `name` of islandScenes, past the events
// its activities raise.
inline void stageIsland(DynamicIslandController &island, VirtualScheduler &clock,
                        const QString &name)
{
    using namespace std::chrono_literals;
    ActivityCenter &center = island.activities();
    const auto report = [&](const char *id, const char *state, const char *title) {
        center.report({{"source", "Claude Code"}, {"id", id}, {"state", state}, {"title", title}});
    };
    if (name != "an event")
        report("a", "running", "Refactor the parser");
    if (name.contains("music")) {
        report("b", "done", "Run the tests");
        center.musicChanged("player", MusicApp::music,
                            {{playerInfo::state, "Playing"},
                             {playerInfo::name, "Harbour Lights"},
                             {playerInfo::artist, "Ada Quartet"}});
    }
    clock.advance(5s);
    if (name == "an event")
        island.model().announce({"play.rectangle.fill", "Aurora", "Now playing", {}, 3});
    island.model().setHovering(name.startsWith("expanded"));
}

} // namespace quintara::test
