#pragma once

#include "platform/AccessibilityBus.h"

namespace quintara {

// AT-SPI: org.a11y.Bus on the session bus, property org.a11y.Status.IsEnabled.
class AtSpiBus final : public AccessibilityBus {
public:
    bool isEnabled() const override;
    bool enable() override;
};

} // namespace quintara
