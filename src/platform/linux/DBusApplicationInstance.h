#pragma once

#include "platform/ApplicationInstance.h"

#include <QDBusConnection>

namespace quintara {

// org.freedesktop.Application under the session-bus name com.quintara.Quintara.
class DBusApplicationInstance final : public ApplicationInstance {
    Q_OBJECT
public:
    static constexpr char serviceName[] = "com.quintara.Quintara";
    static constexpr char objectPath[] = "/com/quintara/Quintara";
    static constexpr char interfaceName[] = "org.freedesktop.Application";

    explicit DBusApplicationInstance(QObject *parent = nullptr);

    Role claim() override;
    bool forwardActivate() override;
    bool forwardOpen(const QStringList &uris) override;
    bool forwardAction(const QString &name, const QVariantList &arguments) override;

private:
    bool call(const QString &method, const QVariantList &arguments);

    QDBusConnection m_bus;
};

} // namespace quintara
