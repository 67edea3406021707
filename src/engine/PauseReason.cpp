#include "engine/PauseReason.h"

namespace quintara {

QString menuText(PauseReason reason)
{
    switch (reason) {
    case PauseReason::user:
        return QStringLiteral("Paused");
    case PauseReason::hidden:
        return QStringLiteral("Paused while covered");
    case PauseReason::displaysAsleep:
        return QStringLiteral("Paused, displays asleep");
    case PauseReason::battery:
        return QStringLiteral("Paused on battery");
    case PauseReason::lowPower:
        return QStringLiteral("Paused in Low Power Mode");
    case PauseReason::hot:
        return QStringLiteral("Paused while cooling down");
    }
    return {};
}

QString islandText(PauseReason reason)
{
    switch (reason) {
    case PauseReason::user:
        return QStringLiteral("Paused");
    case PauseReason::hidden:
        return QStringLiteral("Paused while covered");
    case PauseReason::displaysAsleep:
        return QStringLiteral("Paused \u2014 displays asleep");
    case PauseReason::battery:
        return QStringLiteral("Paused on battery");
    case PauseReason::lowPower:
        return QStringLiteral("Paused \u2014 Low Power Mode");
    case PauseReason::hot:
        return QStringLiteral("Paused while your Mac cools down");
    }
    return {};
}

} // namespace quintara
