#include "platform/linux/X11Window.h"

#include <QGuiApplication>
#include <QWindow>
#include <QtGui/qguiapplication_platform.h>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>
#include <xcb/shape.h>
#include <xcb/xcb_icccm.h>

namespace quintara::x11 {

namespace {

constexpr uint32_t allDesktops = 0xFFFFFFFF;

std::vector<xcb_rectangle_t> rectangles(const QWindow &window, const QRegion &region)
{
    const qreal ratio = window.devicePixelRatio();
    std::vector<xcb_rectangle_t> out;
    for (const QRect &r : region) {
        const int left = int(std::floor(r.left() * ratio));
        const int top = int(std::floor(r.top() * ratio));
        const int right = int(std::ceil((r.right() + 1) * ratio));
        const int bottom = int(std::ceil((r.bottom() + 1) * ratio));
        out.push_back(
            {int16_t(left), int16_t(top), uint16_t(right - left), uint16_t(bottom - top)});
    }
    return out;
}

void setShape(QWindow &window, xcb_shape_kind_t kind, const QRegion &region)
{
    xcb_connection_t *c = connection();
    if (!c)
        return;
    const auto rects = rectangles(window, region);
    xcb_shape_rectangles(c, XCB_SHAPE_SO_SET, kind, XCB_CLIP_ORDERING_UNSORTED,
                         xcb_window_t(window.winId()), 0, 0, uint32_t(rects.size()), rects.data());
    xcb_flush(c);
}

} // namespace

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

xcb_window_t rootOf(xcb_connection_t *c, xcb_window_t window)
{
    xcb_get_geometry_reply_t *reply =
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr);
    const xcb_window_t root = reply ? reply->root : xcb_window_t(XCB_WINDOW_NONE);
    free(reply);
    return root;
}

int defaultScreen()
{
    int screen = 0;
    char *host = nullptr;
    int display = 0;
    if (xcb_parse_display(nullptr, &host, &display, &screen) == 0)
        screen = 0;
    free(host);
    return screen;
}

xcb_window_t defaultRoot(xcb_connection_t *c)
{
    auto roots = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = defaultScreen(); i > 0 && roots.rem > 1; --i)
        xcb_screen_next(&roots);
    return roots.data->root;
}

OwnConnection connectOwn()
{
    OwnConnection own;
    own.connection = xcb_connect(nullptr, &own.screen);
    if (xcb_connection_has_error(own.connection)) {
        xcb_disconnect(own.connection);
        return {};
    }
    auto roots = xcb_setup_roots_iterator(xcb_get_setup(own.connection));
    for (int i = 0; i < own.screen && roots.rem > 1; ++i)
        xcb_screen_next(&roots);
    own.root = roots.data->root;
    return own;
}

void prepareWindow(QWindow &window, const char *type, int qtType,
                   std::span<const char *const> states)
{
    xcb_connection_t *c = connection();
    if (!c)
        return;
    window.setProperty("_q_xcb_wm_window_type", qtType);
    const xcb_window_t id = xcb_window_t(window.winId());
    const xcb_atom_t typeAtom = atom(c, type);
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM,
                        32, 1, &typeAtom);
    std::vector<xcb_atom_t> stateAtoms;
    for (const char *state : states)
        stateAtoms.push_back(atom(c, state));
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_WM_STATE"), XCB_ATOM_ATOM, 32,
                        uint32_t(stateAtoms.size()), stateAtoms.data());
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, id, atom(c, "_NET_WM_DESKTOP"), XCB_ATOM_CARDINAL,
                        32, 1, &allDesktops);
    // Never take the keyboard.
    xcb_icccm_wm_hints_t hints{};
    xcb_icccm_wm_hints_set_input(&hints, 0);
    xcb_icccm_set_wm_hints(c, id, &hints);
    xcb_flush(c);
}

void announceWindow(QWindow &window, std::span<const char *const> states)
{
    xcb_connection_t *c = connection();
    if (!c)
        return;
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
    // Two states per message.
    std::vector<xcb_atom_t> atoms;
    for (const char *state : states)
        atoms.push_back(atom(c, state));
    for (std::size_t i = 0; i < atoms.size(); i += 2)
        send(wmState, {add, atoms[i], i + 1 < atoms.size() ? atoms[i + 1] : 0, fromApplication, 0});
    send(atom(c, "_NET_WM_DESKTOP"), {allDesktops, fromApplication, 0, 0, 0});
    xcb_flush(c);
}

void setInputShape(QWindow &window, const QRegion &region)
{
    setShape(window, XCB_SHAPE_SK_INPUT, region);
}

void setBoundingShape(QWindow &window, const QRegion &region, bool cut)
{
    if (cut) {
        setShape(window, XCB_SHAPE_SK_BOUNDING, region);
        return;
    }
    xcb_connection_t *c = connection();
    if (!c)
        return;
    xcb_shape_mask(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, xcb_window_t(window.winId()), 0, 0,
                   XCB_NONE);
    xcb_flush(c);
}

} // namespace quintara::x11
