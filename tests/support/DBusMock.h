#pragma once

#include <QDBusConnection>
#include <QProcess>
#include <QStringList>
#include <QVariantList>

namespace quintara::test {

// A python3-dbusmock service on the session bus (or the bus `busAddress` names), standing in
// for a desktop service in tests.
class DBusMock {
public:
    // Starts `python3 -m dbusmock NAME PATH INTERFACE` and waits until NAME is owned.
    DBusMock(const QString &name, const QString &path, const QString &interface);
    ~DBusMock();

    bool isRunning() const;
    bool addProperty(const QString &name, const QVariant &value);
    // Sets properties one by one, in key order, each with its PropertiesChanged signal.
    bool updateProperties(const QVariantMap &values);
    bool addMethod(const QString &method, const QString &inSignature, const QString &outSignature,
                   const QString &code = QString());
    // The names of the methods called on the mock so far.
    QStringList calledMethods() const;

private:
    bool mock(const QString &method, const QVariantList &arguments) const;

    QString m_name, m_path, m_interface;
    QProcess m_process;
};

} // namespace quintara::test
