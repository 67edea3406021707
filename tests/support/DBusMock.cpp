#include "DBusMock.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QtTest>

namespace quintara::test {

DBusMock::DBusMock(const QString &name, const QString &path, const QString &interface,
                   const QStringList &templateArguments, bool systemBus)
    : m_name(name), m_path(path), m_interface(interface), m_system(systemBus)
{
    QStringList arguments{QStringLiteral("-m"), QStringLiteral("dbusmock")};
    if (systemBus)
        arguments << QStringLiteral("--system");
    arguments << (templateArguments.isEmpty() ? QStringList{name, path, interface}
                                              : templateArguments);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("/usr/bin/python3"), arguments);
    // Waiting for a separate process to come up, not for a timer of ours.
    if (m_process.waitForStarted(10000))
        (void)QTest::qWaitFor([&] { return isRunning() || m_process.state() != QProcess::Running; },
                              20000);
}

QDBusConnection DBusMock::bus() const
{
    return m_system ? QDBusConnection::systemBus() : QDBusConnection::sessionBus();
}

bool DBusMock::isRunning() const
{
    auto *names = bus().interface();
    return m_process.state() == QProcess::Running && names && names->isServiceRegistered(m_name);
}

void DBusMock::stop()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
    m_process.waitForFinished(5000);
    (void)QTest::qWaitFor([&] { return !bus().interface()->isServiceRegistered(m_name).value(); },
                          10000);
}

bool DBusMock::call(const QString &interface, const QString &method,
                    const QVariantList &arguments) const
{
    QDBusMessage call = QDBusMessage::createMethodCall(m_name, m_path, interface, method);
    call.setArguments(arguments);
    return bus().call(call).type() == QDBusMessage::ReplyMessage;
}

bool DBusMock::addProperty(const QString &name, const QVariant &value)
{
    return call(QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("AddProperty"),
                {m_interface, name, QVariant::fromValue(QDBusVariant(value))});
}

bool DBusMock::updateProperties(const QVariantMap &values)
{
    for (auto value = values.cbegin(); value != values.cend(); ++value)
        if (!setProperty(value.key(), *value))
            return false;
    return true;
}

bool DBusMock::addMethod(const QString &method, const QString &inSignature,
                         const QString &outSignature, const QString &code)
{
    return call(QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("AddMethod"),
                {m_interface, method, inSignature, outSignature, code});
}

bool DBusMock::setProperty(const QString &name, const QVariant &value)
{
    return call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("Set"),
                {m_interface, name, QVariant::fromValue(QDBusVariant(value))});
}

bool DBusMock::emitSignal(const QString &name, const QString &signature,
                          const QVariantList &arguments)
{
    return call(QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("EmitSignal"),
                {m_interface, name, signature, QVariant(arguments)});
}

void DBusMock::roundTrip() const
{
    call(QStringLiteral("org.freedesktop.DBus.Properties"), QStringLiteral("GetAll"),
         {m_interface});
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
}

QStringList DBusMock::calledMethods() const
{
    const QDBusMessage reply = bus().call(QDBusMessage::createMethodCall(
        m_name, m_path, QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("GetCalls")));
    QStringList methods;
    if (reply.type() != QDBusMessage::ReplyMessage)
        return methods;
    // a(tsav): when, method, arguments.
    const QDBusArgument calls = reply.arguments().first().value<QDBusArgument>();
    calls.beginArray();
    while (!calls.atEnd()) {
        quint64 time = 0;
        QString method;
        QVariantList arguments;
        calls.beginStructure();
        calls >> time >> method >> arguments;
        calls.endStructure();
        methods << method;
    }
    calls.endArray();
    return methods;
}

} // namespace quintara::test
