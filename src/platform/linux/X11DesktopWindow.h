#pragma once

#include "platform/DesktopWindowRole.h"

namespace quintara {

// The X11 recipe: _NET_WM_WINDOW_TYPE_DESKTOP; _NET_WM_STATE below, sticky, skip taskbar and
// pager; _NET_WM_DESKTOP all workspaces; no input focus; an empty input shape. Does nothing but
// Qt's own window flags when the application does not run on X11.
class X11DesktopWindow final : public DesktopWindowRole {
public:
    void prepare(QWindow &window) override;
    void shown(QWindow &window) override;
};

} // namespace quintara
