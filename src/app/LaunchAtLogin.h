#pragma once

#include "platform/KeyValueStore.h"
#include "platform/LoginItems.h"

namespace quintara {

// The menu's Launch at Login switch and the one-time registration on the first run.
class LaunchAtLogin {
public:
    // Neither is owned.
    LaunchAtLogin(LoginItems &items, KeyValueStore &defaults)
        : m_items(&items), m_defaults(&defaults)
    {}

    bool isEnabled() const { return m_items->isEnabled(); }
    // Flips the registration; a failure is logged and changes nothing.
    void toggle();
    // Registers once, the first time an installed Quintara runs; never again after that, so a
    // later unregistration is respected.
    void enableOnFirstRun();

private:
    LoginItems *m_items;
    KeyValueStore *m_defaults;
};

} // namespace quintara
