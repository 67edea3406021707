#pragma once

#include "platform/Broadcast.h"

#include <QDBusConnection>

class QDBusMessage;

namespace quintara {

// The session bus signal com.quintara.activity.Report(a{sv}), from any sender on any path.
class DBusBroadcast final : public Broadcast {
    Q_OBJECT
public:
    static constexpr char interface[] = "com.quintara.activity";
    static constexpr char member[] = "Report";
    static constexpr char path[] = "/com/quintara/activity";

    explicit DBusBroadcast(QDBusConnection bus = QDBusConnection::sessionBus(),
                           QObject *parent = nullptr);
    // Starts listening; false without a bus.
    bool listen();
    bool post(const QVariantMap &report) override;

private slots:
    void deliver(const QDBusMessage &message);

private:
    QDBusConnection m_bus;
};

} // namespace quintara
