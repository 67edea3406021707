#include "platform/linux/DesktopTrayHost.h"

#include "platform/linux/X11Window.h"

#include <QByteArray>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <cstdlib>
#include <xcb/xcb.h>

namespace quintara {

DesktopTrayHost::DesktopTrayHost(QObject *parent) : TrayHost(parent)
{
    QDBusConnection session = QDBusConnection::sessionBus();
    if (session.isConnected()) {
        m_watcher = new QDBusServiceWatcher(QLatin1String(watcherService), session,
                                            QDBusServiceWatcher::WatchForRegistration, this);
        // A watcher is a tray only once a host has registered with it; Qt asks that once and
        // keeps the answer, so the news waits for the host.
        connect(m_watcher, &QDBusServiceWatcher::serviceRegistered, this, [this] {
            if (hostRegistered())
                emit appeared();
        });
        session.connect(QLatin1String(watcherService), QStringLiteral("/StatusNotifierWatcher"),
                        QLatin1String(watcherService),
                        QStringLiteral("StatusNotifierHostRegistered"), this, SIGNAL(appeared()));
    }
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    // A connection of its own: the root window's client messages reach it without Qt's help.
    const x11::OwnConnection own = x11::connectOwn();
    m_connection = own.connection;
    if (!m_connection)
        return;
    m_root = own.root;
    m_selection = x11::atom(m_connection,
                            ("_NET_SYSTEM_TRAY_S" + QByteArray::number(own.screen)).constData());
    m_manager = x11::atom(m_connection, "MANAGER");
    // A new tray manager announces itself to StructureNotify listeners of the root window.
    const uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
    xcb_change_window_attributes(m_connection, m_root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(m_connection);
    m_notifier =
        new QSocketNotifier(xcb_get_file_descriptor(m_connection), QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &DesktopTrayHost::readEvents);
}

DesktopTrayHost::~DesktopTrayHost()
{
    if (m_connection)
        xcb_disconnect(m_connection);
}

bool DesktopTrayHost::hostRegistered() const
{
    QDBusConnectionInterface *bus = QDBusConnection::sessionBus().interface();
    if (!bus || !bus->isServiceRegistered(QLatin1String(watcherService)))
        return false;
    // A plain Get: an introspecting proxy would cache the watcher as it is now, before its host,
    // for Qt's own look later.
    QDBusMessage get = QDBusMessage::createMethodCall(
        QLatin1String(watcherService), QStringLiteral("/StatusNotifierWatcher"),
        QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Get"));
    get << QLatin1String(watcherService) << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusReply<QDBusVariant> reply = QDBusConnection::sessionBus().call(get);
    return reply.isValid() && reply.value().variant().toBool();
}

bool DesktopTrayHost::isAvailable() const
{
    if (hostRegistered())
        return true;
    if (!m_connection || xcb_connection_has_error(m_connection))
        return false;
    xcb_get_selection_owner_reply_t *owner = xcb_get_selection_owner_reply(
        m_connection, xcb_get_selection_owner(m_connection, m_selection), nullptr);
    const bool owned = owner && owner->owner != XCB_WINDOW_NONE;
    std::free(owner);
    // Waiting for the reply may have read an announcement off the socket: look at it later.
    QMetaObject::invokeMethod(const_cast<DesktopTrayHost *>(this), &DesktopTrayHost::readEvents,
                              Qt::QueuedConnection);
    return owned;
}

void DesktopTrayHost::readEvents()
{
    bool announced = false;
    while (xcb_generic_event_t *event = xcb_poll_for_event(m_connection)) {
        if ((event->response_type & ~0x80) == XCB_CLIENT_MESSAGE) {
            const auto *message = reinterpret_cast<xcb_client_message_event_t *>(event);
            announced =
                announced || (message->type == m_manager && message->data.data32[1] == m_selection);
        }
        std::free(event);
    }
    if (xcb_connection_has_error(m_connection))
        m_notifier->setEnabled(false);
    if (announced)
        emit appeared();
}

} // namespace quintara
