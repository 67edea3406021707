#include "app/StatusMenu.h"

#include "settings/VideoFiles.h"

#include <cmath>

namespace quintara {

namespace {

MenuEntry item(const QString &title, QPointer<MenuAction> action, QKeySequence shortcut = {})
{
    MenuEntry entry;
    entry.title = title;
    entry.action = action;
    entry.shortcut = shortcut;
    return entry;
}

MenuEntry checkItem(const QString &title, bool checked, QPointer<MenuAction> action)
{
    MenuEntry entry = item(title, action);
    entry.checked = checked;
    return entry;
}

MenuEntry disabledLine(const QString &title)
{
    MenuEntry entry;
    entry.title = title;
    entry.enabled = false;
    return entry;
}

MenuEntry separator()
{
    MenuEntry entry;
    entry.kind = MenuEntry::Kind::separator;
    return entry;
}

MenuEntry submenu(const QString &title, QList<MenuEntry> children)
{
    MenuEntry entry;
    entry.kind = MenuEntry::Kind::submenu;
    entry.title = title;
    entry.children = std::move(children);
    return entry;
}

} // namespace

QPointer<MenuAction> StatusMenu::action(std::function<void()> handler)
{
    // Handlers capture the menu weakly: a target run after the menu is gone does nothing.
    QPointer<StatusMenu> self(this);
    m_actions.push_back(std::make_unique<MenuAction>([self, handler] {
        if (self)
            handler();
    }));
    return QPointer<MenuAction>(m_actions.back().get());
}

QString StatusMenu::speedTitle(double speed, const QLocale &locale)
{
    return quintara::speedTitle(speed, locale);
}

QString StatusMenu::titleLine(const QUrl &currentVideo, const OptionalPauseReason &reason)
{
    const QString base =
        currentVideo.isEmpty() ? QStringLiteral("No wallpaper") : displayTitle(currentVideo);
    if (!reason)
        return base;
    return base + QStringLiteral(" \u2014 ") + menuText(*reason);
}

QString StatusMenu::powerLine(bool onBattery, bool lowPowerMode, bool hot)
{
    QStringList parts{onBattery ? QStringLiteral("on battery") : QStringLiteral("plugged in")};
    if (lowPowerMode)
        parts << QStringLiteral("Low Power Mode");
    if (hot)
        parts << QStringLiteral("running hot");
    return QStringLiteral("Now: ") + parts.join(QStringLiteral(", "));
}

QList<MenuEntry> StatusMenu::rebuild(const StatusMenuState &state)
{
    m_actions.clear();

    QList<MenuEntry> speedItems;
    for (double speed : speeds) {
        const bool hasVideo = !state.currentVideo.isEmpty();
        speedItems << checkItem(speedTitle(speed, state.locale),
                                std::abs(speed - state.currentSpeed) < 0.001,
                                action([this, speed, hasVideo] {
                                    if (hasVideo)
                                        emit speedRequested(speed);
                                }));
    }

    const QList<MenuEntry> powerItems{
        checkItem(QStringLiteral("Pause on Battery"), state.pauseOnBattery,
                  action([this] { emit togglePauseOnBatteryRequested(); })),
        checkItem(QStringLiteral("Pause in Low Power Mode"), state.pauseInLowPower,
                  action([this] { emit togglePauseInLowPowerRequested(); })),
        checkItem(QStringLiteral("Pause When Mac Is Hot"), state.pauseWhenHot,
                  action([this] { emit togglePauseWhenHotRequested(); })),
        separator(),
        disabledLine(powerLine(state.onBattery, state.lowPowerMode, state.hot)),
    };

    MenuEntry welcome =
        item(QStringLiteral("Show Welcome\u2026"), action([this] { emit showWelcomeRequested(); }));
    // The welcome flow is not built yet: the item is shown, but cannot be chosen.
    welcome.enabled = state.welcomeAvailable;

    MenuEntry quit = item(QStringLiteral("Quit Quintara"), nullptr, QKeySequence("Ctrl+Q"));
    quit.quits = true;

    return {
        disabledLine(titleLine(state.currentVideo, state.pauseReason)),
        item(state.userPaused ? QStringLiteral("Resume Wallpaper")
                              : QStringLiteral("Pause Wallpaper"),
             action([this] { emit togglePauseRequested(); }), QKeySequence("Ctrl+P")),
        item(QStringLiteral("Next Wallpaper"), action([this] { emit shuffleRequested(); }),
             QKeySequence("Ctrl+N")),
        submenu(QStringLiteral("Speed"), speedItems),
        separator(),
        item(QStringLiteral("Wallpaper Controls\u2026"),
             action([this] { emit showControlsRequested(); }), QKeySequence("Ctrl+,")),
        welcome,
        checkItem(QStringLiteral("Show Dynamic Island"), state.showIsland,
                  action([this] { emit toggleShowIslandRequested(); })),
        submenu(QStringLiteral("Power Saving"), powerItems),
        checkItem(QStringLiteral("Launch at Login"), state.launchAtLogin,
                  action([this] { emit toggleLaunchAtLoginRequested(); })),
        separator(),
        quit,
    };
}

} // namespace quintara
