#pragma once

namespace quintara {

// The desktop's accessibility service, which the chat app watcher reads other apps through.
class AccessibilityBus {
public:
    virtual ~AccessibilityBus() = default;
    virtual bool isEnabled() const = 0;
    // Turns the service on; false when it cannot be reached.
    virtual bool enable() = 0;
};

} // namespace quintara
