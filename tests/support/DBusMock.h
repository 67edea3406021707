#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QStringList>
#include <QVariantList>

namespace quintara::test {

// A python3-dbusmock service standing in for a desktop or system service.
class DBusMock {
public:
    // Starts `python3 -m dbusmock [--system] NAME PATH INTERFACE`, or, given `templateArguments`
    // (`--template T -p JSON`), the template's service, and waits until NAME is owned.
    DBusMock(const QString &name, const QString &path, const QString &interface,
             const QStringList &templateArguments = {}, bool systemBus = false);
    ~DBusMock() { stop(); }

    bool isRunning() const;
    bool addProperty(const QString &name, const QVariant &value);
    // Sets properties one by one, in key order, each with its PropertiesChanged signal.
    bool updateProperties(const QVariantMap &values);
    bool addMethod(const QString &method, const QString &inSignature, const QString &outSignature,
                   const QString &code = QString());
    // Changes a property the way the service's own change shows: with PropertiesChanged.
    bool setProperty(const QString &name, const QVariant &value);
    // Emits the service's own signal NAME on its interface.
    bool emitSignal(const QString &name, const QString &signature = {},
                    const QVariantList &arguments = {});
    // Returns once everything the service sent before has been delivered.
    void roundTrip() const;
    // Ends the service and waits until its name is gone.
    void stop();
    // The methods called on the mock so far, in order.
    QStringList calledMethods() const;

private:
    QDBusConnection bus() const;
    bool call(const QString &interface, const QString &method, const QVariantList &arguments) const;

    QString m_name, m_path, m_interface;
    bool m_system;
    QProcess m_process;
};

} // namespace quintara::test
