#pragma once

#include "island/DynamicIslandController.h"
#include "platform/AccessibilityBus.h"
#include "platform/AccessibilityTree.h"

namespace quintara::test {

// The desktop's accessibility switch; a request turns it on only when `grants` says so.
class FakeAccessibility final : public AccessibilityBus {
public:
    bool isEnabled() const override { return enabled; }
    bool enable() override { return ++enableCalls, enabled = grants, true; }
    bool enabled = false;
    bool grants = true;
    int enableCalls = 0;
};

// The island's window as the window system would see it.
class FakeIslandWindow final : public IslandWindowRole {
public:
    void prepare(QWindow &) override {}
    void shown(QWindow &) override {}
    void setInputRegion(QWindow &, const QRegion &region) override { input = region; }
    void setDrawnRegion(QWindow &, const QRegion &region) override { drawn = region; }
    bool isCompositing() const override { return false; }
    QRegion input, drawn;
};

class FakePointer final : public PointerMonitor {
public:
    void setWatching(bool on) override { watching = on; }
    QPoint position() const override { return {}; }
    bool watching = false;
};

// An accessibility service with no applications on it.
class EmptyTree final : public AccessibilityTree {
public:
    bool isTrusted() override { return true; }
    QList<Application> applications() override { return {}; }
    QList<Element> windows(const Element &) override { return {}; }
    Role role(const Element &) override { return Role::other; }
    QString name(const Element &) override { return {}; }
    QStringList labels(const Element &) override { return {}; }
    QList<Element> children(const Element &) override { return {}; }
    std::optional<QList<Element>> pushButtons(const Element &, int) override { return {}; }
};

inline IslandServices fakeIslandServices()
{
    IslandServices services;
    services.window = std::make_unique<FakeIslandWindow>();
    services.pointer = std::make_unique<FakePointer>();
    services.accessibility = std::make_shared<EmptyTree>();
    services.chatQueue = std::make_unique<InlineWorkQueue>();
    services.sessionsRoot = QStringLiteral("/nonexistent");
    return services;
}

} // namespace quintara::test
