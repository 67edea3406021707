#include "engine/PauseReason.h"

#include <array>

namespace quintara {

namespace {

struct Texts {
    const char16_t *menu;
    const char16_t *island;
};

// In declaration order of PauseReason.
constexpr std::array<Texts, 6> texts{{
    {u"Paused", u"Paused"},
    {u"Paused while covered", u"Paused while covered"},
    {u"Paused, displays asleep", u"Paused \u2014 displays asleep"},
    {u"Paused on battery", u"Paused on battery"},
    {u"Paused in Low Power Mode", u"Paused \u2014 Low Power Mode"},
    {u"Paused while cooling down", u"Paused while your Mac cools down"},
}};

} // namespace

QString menuText(PauseReason reason)
{
    return QString::fromUtf16(texts.at(static_cast<std::size_t>(reason)).menu);
}

QString islandText(PauseReason reason)
{
    return QString::fromUtf16(texts.at(static_cast<std::size_t>(reason)).island);
}

} // namespace quintara
