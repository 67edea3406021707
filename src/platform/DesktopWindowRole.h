#pragma once

class QWindow;

namespace quintara {

// Gives a top-level window the wallpaper's place on the window system: below every other window,
// on every workspace, out of the taskbar and pager, never focused, letting clicks through.
class DesktopWindowRole {
public:
    virtual ~DesktopWindowRole() = default;
    // Before the window is first shown (its native window exists).
    virtual void prepare(QWindow &window) = 0;
    // After it is shown, for what the window manager only takes from mapped windows.
    virtual void shown(QWindow &window) = 0;
};

} // namespace quintara
