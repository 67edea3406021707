#include "platform/linux/DBusPropertyWatch.h"

#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusServiceWatcher>
#include <QDBusVariant>

namespace quintara {

namespace {
const QString propertiesInterface = QStringLiteral("org.freedesktop.DBus.Properties");
// A daemon that does not answer within this time reads as absent until it announces a value or
// changes hands.
constexpr int replyTimeoutMs = 5000;
} // namespace

DBusPropertyWatch::DBusPropertyWatch(const QDBusConnection &bus, const QString &service,
                                     const QString &path, const QString &interface,
                                     const QString &property, QObject *parent)
    : QObject(parent), m_bus(bus), m_service(service), m_path(path), m_interface(interface),
      m_property(property)
{
    if (!m_bus.isConnected())
        return;
    auto *watcher =
        new QDBusServiceWatcher(m_service, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString &, const QString &, const QString &newOwner) {
                ++m_generation;
                if (newOwner.isEmpty())
                    settle(QVariant());
                else
                    fetch();
            });
    // Matched by service name, so a later owner's signals arrive too.
    m_bus.connect(m_service, m_path, propertiesInterface, QStringLiteral("PropertiesChanged"), this,
                  SLOT(onPropertiesChanged(QString, QVariantMap, QStringList)));
    fetch();
}

void DBusPropertyWatch::fetch()
{
    QDBusMessage call =
        QDBusMessage::createMethodCall(m_service, m_path, propertiesInterface, "Get");
    call << m_interface << m_property;
    auto *pending = new QDBusPendingCallWatcher(m_bus.asyncCall(call, replyTimeoutMs), this);
    m_pending = true;
    const quint64 generation = m_generation;
    connect(pending, &QDBusPendingCallWatcher::finished, this,
            [this, generation](QDBusPendingCallWatcher *watcher) {
                watcher->deleteLater();
                if (generation != m_generation)
                    return;
                const QDBusPendingReply<QDBusVariant> reply = *watcher;
                settle(reply.isError() ? QVariant() : reply.value().variant());
            });
}

void DBusPropertyWatch::onPropertiesChanged(const QString &interface, const QVariantMap &changed,
                                            const QStringList &invalidated)
{
    if (interface != m_interface)
        return;
    const auto it = changed.constFind(m_property);
    if (it != changed.constEnd())
        store(it.value());
    else if (invalidated.contains(m_property))
        fetch();
}

void DBusPropertyWatch::store(const QVariant &value)
{
    if (value == m_value)
        return;
    m_value = value;
    emit updated();
}

void DBusPropertyWatch::settle(const QVariant &value)
{
    const bool wasPending = m_pending;
    m_pending = false;
    if (value != m_value || wasPending) {
        m_value = value;
        emit updated();
    }
}

} // namespace quintara
