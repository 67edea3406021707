#pragma once

#include "platform/DesktopWindowRole.h"

#include <QAbstractNativeEventFilter>
#include <QSet>

namespace quintara {

// The X11 recipe: _NET_WM_WINDOW_TYPE_DESKTOP; _NET_WM_STATE below, sticky, skip taskbar and
// pager; _NET_WM_DESKTOP all workspaces; no input focus; an empty input shape. Does nothing but
// Qt's own window flags when the application does not run on X11.
class X11DesktopWindow final : public DesktopWindowRole, private QAbstractNativeEventFilter {
public:
    ~X11DesktopWindow() override;
    void prepare(QWindow &window) override;
    void shown(QWindow &window) override;

private:
    bool nativeEventFilter(const QByteArray &type, void *message, qintptr *) override;

    QSet<unsigned> m_windows; // ours, until destroyed
    bool m_filtering = false;
};

} // namespace quintara
