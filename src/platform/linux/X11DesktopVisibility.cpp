#include "platform/linux/X11DesktopVisibility.h"

#include <QGuiApplication>
#include <QRegion>
#include <QSocketNotifier>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <xcb/xcb.h>

namespace quintara {

namespace {

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T> Reply<T> reply(T *raw)
{
    return Reply<T>(raw, &std::free);
}

constexpr uint32_t allDesktops = 0xFFFFFFFF;

} // namespace

bool anyPartUncovered(const QRect &display, const QList<QRect> &frames)
{
    QRegion uncovered(display);
    for (const QRect &frame : frames)
        uncovered -= frame;
    return !uncovered.isEmpty();
}

X11DesktopVisibility::X11DesktopVisibility(QObject *parent) : DesktopVisibility(parent)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    int screen = 0;
    m_connection = xcb_connect(nullptr, &screen);
    if (xcb_connection_has_error(m_connection)) {
        xcb_disconnect(m_connection);
        m_connection = nullptr;
        return;
    }
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(m_connection));
    for (int i = 0; i < screen && it.rem; ++i)
        xcb_screen_next(&it);
    m_root = it.data->root;
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
    watchClients();
    xcb_flush(m_connection);
    m_notifier =
        new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &X11DesktopVisibility::readEvents);
}

X11DesktopVisibility::~X11DesktopVisibility()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

unsigned X11DesktopVisibility::atom(const char *name) const
{
    auto r = reply(xcb_intern_atom_reply(
        m_connection, xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(name)), name),
        nullptr));
    return r ? r->atom : unsigned(XCB_ATOM_NONE);
}

void X11DesktopVisibility::readEvents()
{
    bool relevant = false;
    while (xcb_generic_event_t *raw = xcb_poll_for_event(m_connection)) {
        const auto type = raw->response_type & ~0x80;
        if (type == XCB_PROPERTY_NOTIFY || type == XCB_CONFIGURE_NOTIFY || type == XCB_MAP_NOTIFY ||
            type == XCB_UNMAP_NOTIFY || type == XCB_DESTROY_NOTIFY)
            relevant = true;
        if (type == XCB_DESTROY_NOTIFY)
            m_watched.remove(reinterpret_cast<xcb_destroy_notify_event_t *>(raw)->window);
        std::free(raw);
    }
    if (xcb_connection_has_error(m_connection)) {
        m_notifier->setEnabled(false);
        return;
    }
    if (relevant) {
        watchClients(); // new clients appear in the stacking list
        xcb_flush(m_connection);
        emit mayHaveChanged();
    }
}

void X11DesktopVisibility::watchClients()
{
    auto list = reply(xcb_get_property_reply(m_connection,
                                             xcb_get_property(m_connection, 0, m_root,
                                                              atom("_NET_CLIENT_LIST_STACKING"),
                                                              XCB_ATOM_WINDOW, 0, 4096),
                                             nullptr));
    if (!list || list->format != 32)
        return;
    const auto *windows = static_cast<const xcb_window_t *>(xcb_get_property_value(list.get()));
    const int count = xcb_get_property_value_length(list.get()) / 4;
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    for (int i = 0; i < count; ++i) {
        if (m_watched.contains(windows[i]))
            continue;
        xcb_change_window_attributes(m_connection, windows[i], XCB_CW_EVENT_MASK, &mask);
        m_watched.insert(windows[i]);
    }
}

QList<QRect> X11DesktopVisibility::coveringFrames() const
{
    QList<QRect> frames;
    xcb_connection_t *c = m_connection;
    auto cardinal = [&](xcb_window_t w, xcb_atom_t property, uint32_t fallback) {
        auto r = reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, w, property, XCB_ATOM_CARDINAL, 0, 1), nullptr));
        if (!r || r->format != 32 || xcb_get_property_value_length(r.get()) < 4)
            return fallback;
        return *static_cast<const uint32_t *>(xcb_get_property_value(r.get()));
    };
    auto atoms = [&](xcb_window_t w, xcb_atom_t property) {
        QList<xcb_atom_t> result;
        auto r = reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, w, property, XCB_ATOM_ATOM, 0, 64), nullptr));
        if (r && r->format == 32) {
            const auto *data = static_cast<const xcb_atom_t *>(xcb_get_property_value(r.get()));
            for (int i = 0; i < xcb_get_property_value_length(r.get()) / 4; ++i)
                result.append(data[i]);
        }
        return result;
    };

    const xcb_atom_t desktopProperty = atom("_NET_WM_DESKTOP");
    const xcb_atom_t stateProperty = atom("_NET_WM_STATE");
    const xcb_atom_t hidden = atom("_NET_WM_STATE_HIDDEN");
    const xcb_atom_t typeProperty = atom("_NET_WM_WINDOW_TYPE");
    const xcb_atom_t desktopType = atom("_NET_WM_WINDOW_TYPE_DESKTOP");
    const xcb_atom_t extentsProperty = atom("_NET_FRAME_EXTENTS");
    const uint32_t current = cardinal(m_root, atom("_NET_CURRENT_DESKTOP"), 0);

    auto list = reply(xcb_get_property_reply(
        c,
        xcb_get_property(c, 0, m_root, atom("_NET_CLIENT_LIST_STACKING"), XCB_ATOM_WINDOW, 0, 4096),
        nullptr));
    if (!list || list->format != 32)
        return frames;
    const auto *windows = static_cast<const xcb_window_t *>(xcb_get_property_value(list.get()));
    const int count = xcb_get_property_value_length(list.get()) / 4;
    for (int i = 0; i < count; ++i) {
        const xcb_window_t w = windows[i];
        if (atoms(w, typeProperty).contains(desktopType))
            continue; // wallpapers, ours or another desktop's
        auto attributes =
            reply(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, w), nullptr));
        if (!attributes || attributes->map_state != XCB_MAP_STATE_VIEWABLE)
            continue;
        if (atoms(w, stateProperty).contains(hidden))
            continue;
        const uint32_t desktop = cardinal(w, desktopProperty, allDesktops);
        if (desktop != allDesktops && desktop != current)
            continue;
        auto geometry = reply(xcb_get_geometry_reply(c, xcb_get_geometry(c, w), nullptr));
        auto origin = reply(xcb_translate_coordinates_reply(
            c, xcb_translate_coordinates(c, w, m_root, 0, 0), nullptr));
        if (!geometry || !origin)
            continue;
        QRect frame(origin->dst_x, origin->dst_y, geometry->width, geometry->height);
        auto extents = reply(xcb_get_property_reply(
            c, xcb_get_property(c, 0, w, extentsProperty, XCB_ATOM_CARDINAL, 0, 4), nullptr));
        if (extents && extents->format == 32 &&
            xcb_get_property_value_length(extents.get()) == 16) {
            const auto *e = static_cast<const uint32_t *>(xcb_get_property_value(extents.get()));
            frame.adjust(-int(e[0]), -int(e[2]), int(e[1]), int(e[3]));
        }
        frames.append(frame);
    }
    return frames;
}

bool X11DesktopVisibility::anyPartVisible(const QRect &displayFrame) const
{
    if (!m_connection || xcb_connection_has_error(m_connection))
        return true;
    return anyPartUncovered(displayFrame, coveringFrames());
}

} // namespace quintara
