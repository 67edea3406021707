#include "platform/linux/X11IslandWindow.h"

#include "platform/linux/X11Window.h"

#include <QCoreApplication>
#include <array>
#include <cstdlib>
#include <xcb/xfixes.h>

namespace quintara {

namespace {

constexpr std::array states{"_NET_WM_STATE_ABOVE", "_NET_WM_STATE_STICKY",
                            "_NET_WM_STATE_SKIP_TASKBAR", "_NET_WM_STATE_SKIP_PAGER"};
// Qt's xcb backend's bit for the notification type.
constexpr int qtNotificationType = 0x000800;

} // namespace

X11IslandWindow::X11IslandWindow(QObject *parent) : IslandWindowRole(parent)
{
    xcb_connection_t *c = x11::connection();
    if (!c)
        return;
    const xcb_window_t root = x11::defaultRoot(c);
    m_selection =
        x11::atom(c, QByteArray("_NET_WM_CM_S" + QByteArray::number(x11::defaultScreen())));
    const xcb_query_extension_reply_t *xfixes = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (xfixes && xfixes->present) {
        free(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 5, 0), nullptr));
        m_xfixesEvents = xfixes->first_event;
        xcb_xfixes_select_selection_input(
            c, root, m_selection,
            XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
        xcb_flush(c);
        QCoreApplication::instance()->installNativeEventFilter(this);
    }
    readCompositing();
}

X11IslandWindow::~X11IslandWindow()
{
    if (m_xfixesEvents >= 0 && QCoreApplication::instance())
        QCoreApplication::instance()->removeNativeEventFilter(this);
}

void X11IslandWindow::readCompositing()
{
    xcb_connection_t *c = x11::connection();
    if (!c)
        return;
    xcb_get_selection_owner_reply_t *reply =
        xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, m_selection), nullptr);
    const bool compositing = reply && reply->owner != XCB_WINDOW_NONE;
    free(reply);
    if (compositing == m_compositing)
        return;
    m_compositing = compositing;
    applyDrawnRegion();
    emit compositingChanged(compositing);
}

bool X11IslandWindow::nativeEventFilter(const QByteArray &eventType, void *message, qintptr *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != m_xfixesEvents + XCB_XFIXES_SELECTION_NOTIFY)
        return false;
    const auto *notify = reinterpret_cast<const xcb_xfixes_selection_notify_event_t *>(event);
    if (notify->selection == m_selection)
        readCompositing();
    return false;
}

void X11IslandWindow::prepare(QWindow &window)
{
    window.setFlags(Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                    Qt::WindowDoesNotAcceptFocus | Qt::NoDropShadowWindowHint);
    x11::prepareWindow(window, "_NET_WM_WINDOW_TYPE_NOTIFICATION", qtNotificationType, states);
    m_window = &window;
    setInputRegion(window, QRegion());
    applyDrawnRegion();
}

void X11IslandWindow::shown(QWindow &window)
{
    x11::announceWindow(window, states);
}

void X11IslandWindow::setInputRegion(QWindow &window, const QRegion &region)
{
    x11::setInputShape(window, region);
}

void X11IslandWindow::setDrawnRegion(QWindow &window, const QRegion &region)
{
    m_window = &window;
    m_drawn = region;
    applyDrawnRegion();
}

void X11IslandWindow::applyDrawnRegion()
{
    if (m_window)
        x11::setBoundingShape(*m_window, m_drawn, !m_compositing);
}

} // namespace quintara
