#include "DBusMock.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QElapsedTimer>
#include <QThread>

namespace quintara::test {

DBusMock::DBusMock(const QString &name, const QString &path, const QString &interface)
    : m_name(name), m_path(path), m_interface(interface)
{
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral("/usr/bin/python3"),
                    {QStringLiteral("-m"), QStringLiteral("dbusmock"), name, path, interface});
    if (!m_process.waitForStarted(10000))
        return;
    // Waiting for a separate process to come up, not for a timer of ours.
    QElapsedTimer clock;
    clock.start();
    auto *bus = QDBusConnection::sessionBus().interface();
    while (bus && !bus->isServiceRegistered(name) && clock.elapsed() < 20000 &&
           m_process.state() == QProcess::Running)
        m_process.waitForFinished(50);
}

DBusMock::~DBusMock()
{
    m_process.terminate();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
}

bool DBusMock::isRunning() const
{
    auto *bus = QDBusConnection::sessionBus().interface();
    return m_process.state() == QProcess::Running && bus && bus->isServiceRegistered(m_name);
}

bool DBusMock::mock(const QString &method, const QVariantList &arguments) const
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        m_name, m_path, QStringLiteral("org.freedesktop.DBus.Mock"), method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call).type() == QDBusMessage::ReplyMessage;
}

bool DBusMock::addProperty(const QString &name, const QVariant &value)
{
    return mock(QStringLiteral("AddProperty"),
                {m_interface, name, QVariant::fromValue(QDBusVariant(value))});
}

bool DBusMock::updateProperties(const QVariantMap &values)
{
    for (auto value = values.cbegin(); value != values.cend(); ++value) {
        QDBusMessage call = QDBusMessage::createMethodCall(
            m_name, m_path, QStringLiteral("org.freedesktop.DBus.Properties"),
            QStringLiteral("Set"));
        call << m_interface << value.key() << QVariant::fromValue(QDBusVariant(*value));
        if (QDBusConnection::sessionBus().call(call).type() != QDBusMessage::ReplyMessage)
            return false;
    }
    return true;
}

bool DBusMock::addMethod(const QString &method, const QString &inSignature,
                         const QString &outSignature, const QString &code)
{
    return mock(QStringLiteral("AddMethod"),
                {m_interface, method, inSignature, outSignature, code});
}

QStringList DBusMock::calledMethods() const
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        m_name, m_path, QStringLiteral("org.freedesktop.DBus.Mock"), QStringLiteral("GetCalls"));
    const QDBusMessage reply = QDBusConnection::sessionBus().call(call);
    QStringList methods;
    if (reply.arguments().isEmpty())
        return methods;
    const QDBusArgument calls = reply.arguments().first().value<QDBusArgument>();
    calls.beginArray();
    while (!calls.atEnd()) {
        quint64 time = 0;
        QString method;
        calls.beginStructure();
        calls >> time >> method;
        QVariantList ignored;
        calls.beginArray();
        while (!calls.atEnd()) {
            QDBusVariant v;
            calls >> v;
        }
        calls.endArray();
        calls.endStructure();
        methods << method;
    }
    calls.endArray();
    return methods;
}

} // namespace quintara::test
