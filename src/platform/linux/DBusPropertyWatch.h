#pragma once

#include <QDBusConnection>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

namespace quintara {

// Follows one property of one object of a D-Bus service: read once at start, again whenever the
// service gets a new owner (the daemon started or restarted), and updated from its
// PropertiesChanged signal. While the service is absent or does not answer, the value is
// invalid. A bus that is not connected simply never yields a value.
class DBusPropertyWatch : public QObject {
    Q_OBJECT
public:
    DBusPropertyWatch(const QDBusConnection &bus, const QString &service, const QString &path,
                      const QString &interface, const QString &property, QObject *parent = nullptr);

    // Invalid while unknown.
    QVariant value() const { return m_value; }
    // A read is under way; `value` is what was known before it.
    bool pending() const { return m_pending; }

signals:
    // The value changed or a pending read was answered.
    void updated();

private slots:
    void onPropertiesChanged(const QString &interface, const QVariantMap &changed,
                             const QStringList &invalidated);

private:
    void fetch();
    void store(const QVariant &value);
    void settle(const QVariant &value);

    QDBusConnection m_bus;
    QString m_service;
    QString m_path;
    QString m_interface;
    QString m_property;
    QVariant m_value;
    bool m_pending = false;
    // Answers to an older request are dropped once the service changed hands.
    quint64 m_generation = 0;
};

} // namespace quintara
