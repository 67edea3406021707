#include "platform/linux/DBusBroadcast.h"

#include <QDBusArgument>
#include <QDBusMessage>

namespace quintara {

DBusBroadcast::DBusBroadcast(QDBusConnection bus, QObject *parent)
    : Broadcast(parent), m_bus(std::move(bus))
{}

bool DBusBroadcast::listen()
{
    return m_bus.isConnected() &&
           m_bus.connect(QString(), QString(), QLatin1String(interface), QLatin1String(member),
                         this, SLOT(deliver(QDBusMessage)));
}

bool DBusBroadcast::post(const QVariantMap &report)
{
    if (!m_bus.isConnected())
        return false;
    QDBusMessage signal = QDBusMessage::createSignal(QLatin1String(path), QLatin1String(interface),
                                                     QLatin1String(member));
    signal << report;
    if (!m_bus.send(signal))
        return false;
    // The bus answers in order: once it has answered this, it has the signal too, and the
    // process may exit.
    const QDBusMessage ping = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.DBus"), QStringLiteral("/org/freedesktop/DBus"),
        QStringLiteral("org.freedesktop.DBus.Peer"), QStringLiteral("Ping"));
    return m_bus.call(ping).type() == QDBusMessage::ReplyMessage;
}

void DBusBroadcast::deliver(const QDBusMessage &message)
{
    if (message.signature() != QLatin1String("a{sv}"))
        return;
    emit received(qdbus_cast<QVariantMap>(message.arguments().first()));
}

} // namespace quintara
