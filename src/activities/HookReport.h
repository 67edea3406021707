#pragma once

#include "activities/LiveActivity.h"

#include <QJsonObject>
#include <optional>

namespace quintara {

// The report for one event of a command-line coding agent's hooks (the JSON object the agent
// writes to the hook's standard input): a submitted prompt is running, titled with the prompt;
// a stop is done; a notification needs attention. Every session is one activity of the source
// "Claude Code". Nothing for other events.
std::optional<ActivityReport> reportFromHook(const QJsonObject &payload);

} // namespace quintara
