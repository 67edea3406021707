#include "platform/linux/X11DesktopVisibility.h"

#include "platform/linux/X11Window.h"

#include <QGuiApplication>
#include <QRegion>
#include <QSocketNotifier>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>
#include <xcb/xcb.h>

namespace quintara {

namespace {

template <typename T> using Reply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T> Reply<T> reply(T *raw)
{
    return Reply<T>(raw, &std::free);
}

constexpr uint32_t allDesktops = 0xFFFFFFFF;

constexpr const char *atomNames[] = {
    "_NET_CLIENT_LIST_STACKING",
    "_NET_CURRENT_DESKTOP",
    "_NET_WM_DESKTOP",
    "_NET_WM_STATE",
    "_NET_WM_STATE_HIDDEN",
    "_NET_WM_WINDOW_TYPE",
    "_NET_WM_WINDOW_TYPE_DESKTOP",
    "_NET_FRAME_EXTENTS",
};

bool isRelevant(uint8_t type)
{
    return type == XCB_PROPERTY_NOTIFY || type == XCB_CONFIGURE_NOTIFY || type == XCB_MAP_NOTIFY ||
           type == XCB_UNMAP_NOTIFY || type == XCB_DESTROY_NOTIFY;
}

// The 32-bit values of a property reply.
template <typename T> QList<T> values(const xcb_get_property_reply_t *r)
{
    QList<T> result;
    if (!r || r->format != 32)
        return result;
    const auto *data = static_cast<const T *>(xcb_get_property_value(r));
    const int count = xcb_get_property_value_length(r) / 4;
    for (int i = 0; i < count; ++i)
        result.append(data[i]);
    return result;
}

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
    const x11::OwnConnection own = x11::connectOwn();
    m_connection = own.connection;
    if (!m_connection)
        return;
    m_root = own.root;
    xcb_intern_atom_cookie_t cookies[atomCount];
    for (int i = 0; i < atomCount; ++i)
        cookies[i] =
            xcb_intern_atom(m_connection, 0, uint16_t(std::strlen(atomNames[i])), atomNames[i]);
    for (int i = 0; i < atomCount; ++i) {
        auto r = reply(xcb_intern_atom_reply(m_connection, cookies[i], nullptr));
        m_atoms[i] = r ? r->atom : unsigned(XCB_ATOM_NONE);
    }
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
    watchClients(stackingList());
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

void X11DesktopVisibility::afterRoundTrip() const
{
    // While xcb waited for a reply it read whatever else had arrived into its own queue, where
    // the socket no longer announces it: have it looked at on the next turn of the event loop.
    if (m_readPosted)
        return;
    m_readPosted = true;
    QMetaObject::invokeMethod(const_cast<X11DesktopVisibility *>(this),
                              &X11DesktopVisibility::readEvents, Qt::QueuedConnection);
}

void X11DesktopVisibility::readEvents()
{
    m_readPosted = false;
    bool changed = false;
    for (;;) {
        bool relevant = false;
        while (xcb_generic_event_t *raw = xcb_poll_for_event(m_connection)) {
            const auto type = raw->response_type & ~0x80;
            relevant = relevant || isRelevant(type);
            if (type == XCB_DESTROY_NOTIFY)
                m_watched.remove(reinterpret_cast<xcb_destroy_notify_event_t *>(raw)->window);
            std::free(raw);
        }
        if (xcb_connection_has_error(m_connection)) {
            m_notifier->setEnabled(false);
            return;
        }
        if (!relevant)
            break;
        changed = true;
        // New clients appear in the stacking list; reading it may bring in more events, which
        // the next pass handles.
        watchClients(stackingList());
        xcb_flush(m_connection);
    }
    if (changed) {
        m_clients.reset();
        emit mayHaveChanged();
    }
}

QList<unsigned> X11DesktopVisibility::stackingList() const
{
    xcb_connection_t *c = m_connection;
    auto list = reply(xcb_get_property_reply(
        c, xcb_get_property(c, 0, m_root, m_atoms[clientListStacking], XCB_ATOM_WINDOW, 0, 4096),
        nullptr));
    afterRoundTrip();
    return values<unsigned>(list.get());
}

void X11DesktopVisibility::watchClients(const QList<unsigned> &windows)
{
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_PROPERTY_CHANGE;
    for (const unsigned window : windows) {
        if (m_watched.contains(window))
            continue;
        xcb_change_window_attributes(m_connection, window, XCB_CW_EVENT_MASK, &mask);
        m_watched.insert(window);
    }
}

const QList<X11DesktopVisibility::Client> &X11DesktopVisibility::clients() const
{
    if (m_clients)
        return *m_clients;
    xcb_connection_t *c = m_connection;
    const QList<unsigned> windows = stackingList();
    // Every question about every window goes out at once; the answers come back in one wait.
    const auto property = [&](xcb_window_t w, Atom name, xcb_atom_t type, uint32_t length) {
        return xcb_get_property(c, 0, w, m_atoms[name], type, 0, length);
    };
    struct Questions {
        xcb_get_property_cookie_t type, state, desktop, extents;
        xcb_get_window_attributes_cookie_t attributes;
        xcb_get_geometry_cookie_t geometry;
        xcb_translate_coordinates_cookie_t origin;
    };
    const auto current = property(m_root, currentDesktop, XCB_ATOM_CARDINAL, 1);
    std::vector<Questions> asked;
    asked.reserve(std::size_t(windows.size()));
    for (const xcb_window_t w : windows)
        asked.push_back(
            {property(w, wmWindowType, XCB_ATOM_ATOM, 64), property(w, wmState, XCB_ATOM_ATOM, 64),
             property(w, wmDesktop, XCB_ATOM_CARDINAL, 1),
             property(w, frameExtents, XCB_ATOM_CARDINAL, 4), xcb_get_window_attributes(c, w),
             xcb_get_geometry(c, w), xcb_translate_coordinates(c, w, m_root, 0, 0)});

    const auto answer = [&](xcb_get_property_cookie_t cookie) {
        return reply(xcb_get_property_reply(c, cookie, nullptr));
    };
    const QList<uint32_t> currentValue = values<uint32_t>(answer(current).get());
    const uint32_t currentIndex = currentValue.isEmpty() ? 0 : currentValue.first();
    QList<Client> result;
    for (std::size_t i = 0; i < asked.size(); ++i) {
        const Questions &q = asked[i];
        const QList<xcb_atom_t> types = values<xcb_atom_t>(answer(q.type).get());
        const QList<xcb_atom_t> states = values<xcb_atom_t>(answer(q.state).get());
        const QList<uint32_t> desktop = values<uint32_t>(answer(q.desktop).get());
        const QList<uint32_t> extents = values<uint32_t>(answer(q.extents).get());
        auto attributes = reply(xcb_get_window_attributes_reply(c, q.attributes, nullptr));
        auto geometry = reply(xcb_get_geometry_reply(c, q.geometry, nullptr));
        auto origin = reply(xcb_translate_coordinates_reply(c, q.origin, nullptr));
        if (!attributes || !geometry || !origin)
            continue; // gone meanwhile
        Client client{windows[qsizetype(i)],
                      QRect(origin->dst_x, origin->dst_y, geometry->width, geometry->height),
                      {},
                      false};
        client.frame = client.area;
        if (extents.size() == 4)
            client.frame.adjust(-int(extents[0]), -int(extents[2]), int(extents[1]),
                                int(extents[3]));
        const uint32_t onDesktop = desktop.isEmpty() ? allDesktops : desktop.first();
        client.covers = !types.contains(m_atoms[wmWindowTypeDesktop]) && // wallpapers
                        attributes->map_state == XCB_MAP_STATE_VIEWABLE &&
                        !states.contains(m_atoms[wmStateHidden]) &&
                        (onDesktop == allDesktops || onDesktop == currentIndex);
        result.append(client);
    }
    m_clients = result;
    return *m_clients;
}

bool X11DesktopVisibility::anyPartVisible(const QRect &displayFrame) const
{
    if (!m_connection || xcb_connection_has_error(m_connection))
        return true;
    QList<QRect> frames;
    for (const Client &client : clients())
        if (client.covers)
            frames.append(client.frame);
    return anyPartUncovered(displayFrame, frames);
}

bool X11DesktopVisibility::windowPartlyVisible(quintptr window) const
{
    if (!m_connection || xcb_connection_has_error(m_connection))
        return true;
    const QList<Client> &all = clients();
    qsizetype index = 0;
    while (index < all.size() && all[index].id != window)
        ++index;
    if (index == all.size())
        return true; // not a managed window: nothing to tell
    QList<QRect> above;
    for (qsizetype i = index + 1; i < all.size(); ++i)
        if (all[i].covers)
            above.append(all[i].frame);
    return anyPartUncovered(all[index].area, above);
}

} // namespace quintara
