#include "platform/linux/X11DesktopWindow.h"

#include "platform/linux/X11Window.h"

#include <QGuiApplication>
#include <QWindow>
#include <array>
#include <xcb/shape.h>

namespace quintara {

namespace {

constexpr std::array states{"_NET_WM_STATE_BELOW", "_NET_WM_STATE_STICKY",
                            "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"};

// Qt's xcb backend's bit for the desktop type.
constexpr int qtDesktopType = 0x000002;

} // namespace

void X11DesktopWindow::prepare(QWindow &window)
{
    window.setFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint |
                    Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput);
    if (!x11::connection())
        return;
    x11::prepareWindow(window, "_NET_WM_WINDOW_TYPE_DESKTOP", qtDesktopType, states);
    // An empty input region: every click goes to whatever lies beneath.
    x11::setInputShape(window, QRegion());
    m_windows.insert(unsigned(window.winId()));
    if (!m_filtering) {
        m_filtering = true;
        qGuiApp->installNativeEventFilter(this);
    }
}

X11DesktopWindow::~X11DesktopWindow()
{
    if (m_filtering && qGuiApp)
        qGuiApp->removeNativeEventFilter(this);
}

bool X11DesktopWindow::nativeEventFilter(const QByteArray &type, void *message, qintptr *)
{
    if (type != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    switch (event->response_type & ~0x80) {
    case XCB_REPARENT_NOTIFY: {
        // A window manager that frames the window copies its input region only when told of a
        // change after taking it (openbox does); set before, the frame would catch the clicks.
        const auto *reparent = reinterpret_cast<const xcb_reparent_notify_event_t *>(event);
        xcb_connection_t *c = x11::connection();
        if (c && m_windows.contains(reparent->window)) {
            xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT,
                                 XCB_CLIP_ORDERING_UNSORTED, reparent->window, 0, 0, 0, nullptr);
            xcb_flush(c);
        }
        break;
    }
    case XCB_DESTROY_NOTIFY:
        m_windows.remove(reinterpret_cast<const xcb_destroy_notify_event_t *>(event)->window);
        break;
    }
    return false;
}

void X11DesktopWindow::shown(QWindow &window)
{
    // A mapped window changes its state and workspace by asking the window manager.
    x11::announceWindow(window, states);
    x11::setInputShape(window, QRegion());
}

} // namespace quintara
