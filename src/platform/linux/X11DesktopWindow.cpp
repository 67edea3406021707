#include "platform/linux/X11DesktopWindow.h"

#include <QGuiApplication>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <array>
#include <cstdlib>
#include <cstring>
#include <xcb/shape.h>
#include <xcb/xcb.h>
#include <xcb/xcb_icccm.h>

namespace quintara {

namespace {

xcb_connection_t *connection()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    xcb_intern_atom_reply_t *reply =
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, uint16_t(strlen(name)), name), nullptr);
    const xcb_atom_t result = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return result;
}

// An empty input region: every click goes to whatever lies beneath.
void passClicksThrough(xcb_connection_t *c, xcb_window_t id)
{
    xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_INPUT, XCB_CLIP_ORDERING_UNSORTED, id, 0,
                         0, 0, nullptr);
    xcb_flush(c);
}

xcb_window_t rootOf(xcb_connection_t *c, xcb_window_t window)
{
    xcb_get_geometry_reply_t *reply =
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    const xcb_window_t root = reply ? reply->root : xcb_window_t(XCB_WINDOW_NONE);
    free(reply);
    return root;
}

constexpr std::array stateNames{"_NET_WM_STATE_BELOW", "_NET_WM_STATE_STICKY",
                                "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"};
constexpr uint32_t allDesktops = 0xFFFFFFFF;

} // namespace

void X11DesktopWindow::prepare(QWindow &window)
{
    window.setFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint |
                    Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput);
    xcb_connection_t *c = connection();
    if (!c)
        return;
    // Qt's xcb backend writes _NET_WM_WINDOW_TYPE from this property when it maps the window;
    // 0x2 is its desktop type.
    window.setProperty("_q_xcb_wm_window_type", 0x000002);
    const xcb_window_t id = xcb_window_t(window.winId());

    const xcb_atom_t type = atom(c, "_NET_WM_WINDOW_TYPE_DESKTOP");
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM,
                        32, 1, &type);
    std::array<xcb_atom_t, stateNames.size()> states{};
    for (std::size_t i = 0; i < stateNames.size(); ++i)
        states[i] = atom(c, stateNames[i]);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32,
                        uint32_t(states.size()), states.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL,
                        32, 1, &allDesktops);
    // Never take the keyboard.
    xcb_icccm_wm_hints_t hints{};
    xcb_icccm_wm_hints_set_input(&hints, 0);
    xcb_icccm_set_wm_hints(c, id, &hints);
    passClicksThrough(c, id);
    m_windows.insert(id);
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
        if (m_windows.contains(reparent->window))
            if (xcb_connection_t *c = connection())
                passClicksThrough(c, reparent->window);
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
    xcb_connection_t *c = connection();
    if (!c)
        return;
    // A mapped window changes its state and workspace by asking the window manager.
    const xcb_window_t id = xcb_window_t(window.winId());
    const xcb_window_t root = rootOf(c, id);
    if (root == XCB_WINDOW_NONE)
        return;
    auto send = [&](xcb_atom_t type, std::array<uint32_t, 5> data) {
        xcb_client_message_event_t event{};
        event.response_type = XCB_CLIENT_MESSAGE;
        event.format = 32;
        event.window = id;
        event.type = type;
        for (std::size_t i = 0; i < data.size(); ++i)
            event.data.data32[i] = data[i];
        xcb_send_event(c, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char *>(&event));
    };
    const xcb_atom_t wmState = atom(c, "_NET_WM_STATE");
    constexpr uint32_t add = 1;
    constexpr uint32_t fromApplication = 1;
    send(wmState, {add, atom(c, stateNames[0]), atom(c, stateNames[1]), fromApplication, 0});
    send(wmState, {add, atom(c, stateNames[2]), atom(c, stateNames[3]), fromApplication, 0});
    send(atom(c, "_NET_WM_DESKTOP"), {allDesktops, fromApplication, 0, 0, 0});
    passClicksThrough(c, id);
}

} // namespace quintara
