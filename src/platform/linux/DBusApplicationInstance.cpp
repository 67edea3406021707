#include "platform/linux/DBusApplicationInstance.h"

#include "platform/LogSink.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>

namespace quintara {

namespace {

class ApplicationAdaptor final : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    explicit ApplicationAdaptor(DBusApplicationInstance *instance)
        : QDBusAbstractAdaptor(instance), m_instance(instance)
    {}

public slots:
    void Activate(const QVariantMap &platformData)
    {
        Q_UNUSED(platformData);
        emit m_instance->activateRequested();
    }
    void Open(const QStringList &uris, const QVariantMap &platformData)
    {
        Q_UNUSED(platformData);
        emit m_instance->openRequested(uris);
    }
    void ActivateAction(const QString &name, const QVariantList &parameter,
                        const QVariantMap &platformData)
    {
        Q_UNUSED(platformData);
        QVariantList arguments;
        for (const QVariant &v : parameter)
            arguments.append(v.canConvert<QDBusVariant>() ? v.value<QDBusVariant>().variant() : v);
        emit m_instance->actionRequested(name, arguments);
    }

private:
    DBusApplicationInstance *m_instance;
};

constexpr int forwardTimeoutMs = 5000;

} // namespace

DBusApplicationInstance::DBusApplicationInstance(QObject *parent)
    : ApplicationInstance(parent), m_bus(QDBusConnection::sessionBus())
{}

ApplicationInstance::Role DBusApplicationInstance::claim()
{
    if (!m_bus.isConnected() || !m_bus.interface()) {
        log::line(QStringLiteral("Quintara: no session bus (%1); running without the single-"
                                 "instance hand-off")
                      .arg(m_bus.lastError().message()));
        return Role::alone;
    }
    new ApplicationAdaptor(this);
    if (!m_bus.registerObject(QString::fromLatin1(objectPath), this)) {
        log::line(QStringLiteral("Quintara: cannot register %1 on the session bus")
                      .arg(QString::fromLatin1(objectPath)));
        return Role::alone;
    }
    const auto reply = m_bus.interface()->registerService(
        QString::fromLatin1(serviceName), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (reply.isValid() && reply.value() == QDBusConnectionInterface::ServiceRegistered)
        return Role::primary;
    m_bus.unregisterObject(QString::fromLatin1(objectPath));
    if (m_bus.interface()->isServiceRegistered(QString::fromLatin1(serviceName)))
        return Role::secondary;
    log::line(QStringLiteral("Quintara: cannot own %1 on the session bus: %2")
                  .arg(QString::fromLatin1(serviceName), reply.error().message()));
    return Role::alone;
}

bool DBusApplicationInstance::call(const QString &method, const QVariantList &arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(
        QString::fromLatin1(serviceName), QString::fromLatin1(objectPath),
        QString::fromLatin1(interfaceName), method);
    message.setArguments(arguments);
    const QDBusMessage reply = m_bus.call(message, QDBus::Block, forwardTimeoutMs);
    if (reply.type() == QDBusMessage::ErrorMessage) {
        log::line(QStringLiteral("Quintara: the running instance did not take the request: %1")
                      .arg(reply.errorMessage()));
        return false;
    }
    return true;
}

bool DBusApplicationInstance::forwardActivate()
{
    return call(QStringLiteral("Activate"), {QVariantMap()});
}

bool DBusApplicationInstance::forwardOpen(const QStringList &uris)
{
    return call(QStringLiteral("Open"), {uris, QVariantMap()});
}

bool DBusApplicationInstance::forwardAction(const QString &name, const QVariantList &arguments)
{
    QVariantList wrapped;
    for (const QVariant &v : arguments)
        wrapped.append(QVariant::fromValue(QDBusVariant(v)));
    return call(QStringLiteral("ActivateAction"), {name, wrapped, QVariantMap()});
}

} // namespace quintara

#include "DBusApplicationInstance.moc"
