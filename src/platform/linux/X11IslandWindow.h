#pragma once

#include "platform/IslandWindowRole.h"

#include <QAbstractNativeEventFilter>
#include <QPointer>
#include <QWindow>

namespace quintara {

// The X11 recipe: _NET_WM_WINDOW_TYPE_NOTIFICATION; _NET_WM_STATE above, sticky, skip taskbar
// and pager; _NET_WM_DESKTOP all workspaces; no input focus. Clicks are let through with the
// XShape input region. Without a compositing manager (no owner of _NET_WM_CM_Sn) the window's
// XShape bounding region is what it draws, so its transparent parts never show black; the owner
// is followed through XFixes, and the cut is made or undone when a compositor comes or goes.
class X11IslandWindow final : public IslandWindowRole, public QAbstractNativeEventFilter {
    Q_OBJECT
public:
    explicit X11IslandWindow(QObject *parent = nullptr);
    ~X11IslandWindow() override;

    void prepare(QWindow &window) override;
    void shown(QWindow &window) override;
    void setInputRegion(QWindow &window, const QRegion &region) override;
    void setDrawnRegion(QWindow &window, const QRegion &region) override;
    bool isCompositing() const override { return m_compositing; }

    bool nativeEventFilter(const QByteArray &eventType, void *message, qintptr *) override;

private:
    void readCompositing();
    void applyDrawnRegion();

    bool m_compositing = false;
    std::uint32_t m_selection = 0; // _NET_WM_CM_Sn
    int m_xfixesEvents = -1;       // first event code of XFixes
    QPointer<QWindow> m_window;
    QRegion m_drawn;
};

} // namespace quintara
