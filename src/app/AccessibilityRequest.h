#pragma once

#include "platform/AccessibilityBus.h"
#include "platform/KeyValueStore.h"

#include <QString>
#include <functional>

namespace quintara {

// Asks once, ever, for the accessibility service that lets Quintara see when a chat app is
// writing: tells the user why in one sentence, then turns the service on.
class AccessibilityRequest {
public:
    // Shows the sentence to the user.
    using Tell = std::function<void(const QString &sentence)>;

    AccessibilityRequest(AccessibilityBus &bus, KeyValueStore &defaults, Tell tell)
        : m_bus(&bus), m_defaults(&defaults), m_tell(std::move(tell))
    {}

    static QString reason();
    void requestOnce();

private:
    AccessibilityBus *m_bus;
    KeyValueStore *m_defaults;
    Tell m_tell;
};

} // namespace quintara
