#pragma once

#include "engine/PauseReason.h"
#include "settings/PlaybackSpeed.h"

#include <QKeySequence>
#include <QList>
#include <QLocale>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QUrl>
#include <array>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace quintara {

// The target of one menu item for one opening of the menu. Items hold it weakly; the status
// menu keeps the newest set alive and drops the previous one on every rebuild.
class MenuAction : public QObject {
    Q_OBJECT
public:
    explicit MenuAction(std::function<void()> handler) : m_handler(std::move(handler)) {}
    void run()
    {
        if (m_handler)
            m_handler();
    }

private:
    std::function<void()> m_handler;
};

struct MenuEntry {
    enum class Kind { item, separator, submenu };
    Kind kind = Kind::item;
    QString title;
    QKeySequence shortcut;
    bool enabled = true;
    std::optional<bool> checked; // present for items with a checkmark
    bool quits = false;          // "Quit Quintara" goes straight to the application
    QPointer<MenuAction> action;
    QList<MenuEntry> children;
};

// What the menu shows, read from the live objects just before it opens.
struct StatusMenuState {
    QUrl currentVideo;
    OptionalPauseReason pauseReason;
    bool userPaused = false;
    double currentSpeed = 1.0;
    bool showIsland = true;
    bool pauseOnBattery = false;
    bool pauseInLowPower = true;
    bool pauseWhenHot = true;
    bool onBattery = false;
    bool lowPowerMode = false;
    bool hot = false;
    bool launchAtLogin = false;
    bool welcomeAvailable = false;
    QLocale locale;
};

// Builds the status menu from the state and turns choices into intent signals, which the
// application delegate carries out.
class StatusMenu : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    static constexpr auto speeds = speedChoices;

    // Replaces the previous set of targets with a fresh one.
    QList<MenuEntry> rebuild(const StatusMenuState &state);
    std::size_t liveActionCount() const { return m_actions.size(); }

    // "0.25×", "1×": the speed in `locale` with at most two fraction digits.
    static QString speedTitle(double speed, const QLocale &locale);
    // "Deep blue sea — Paused"
    static QString titleLine(const QUrl &currentVideo, const OptionalPauseReason &reason);
    // "Now: on battery, Low Power Mode, running hot"
    static QString powerLine(bool onBattery, bool lowPowerMode, bool hot);

signals:
    void togglePauseRequested();
    void shuffleRequested();
    void speedRequested(double speed);
    void showControlsRequested();
    void showWelcomeRequested();
    void toggleShowIslandRequested();
    void togglePauseOnBatteryRequested();
    void togglePauseInLowPowerRequested();
    void togglePauseWhenHotRequested();
    void toggleLaunchAtLoginRequested();

private:
    QPointer<MenuAction> action(std::function<void()> handler);

    std::vector<std::unique_ptr<MenuAction>> m_actions;
};

} // namespace quintara
