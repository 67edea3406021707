#include "platform/linux/SessionDisplayPower.h"

#include <QDBusConnection>

namespace quintara {

SessionDisplayPower::SessionDisplayPower(QObject *parent) : DisplayPower(parent)
{
    QDBusConnection session = QDBusConnection::sessionBus();
    if (session.isConnected())
        session.connect(QString(), QStringLiteral("/org/freedesktop/ScreenSaver"),
                        QStringLiteral("org.freedesktop.ScreenSaver"),
                        QStringLiteral("ActiveChanged"), this,
                        SLOT(screenSaverActiveChanged(bool)));
    QDBusConnection system = QDBusConnection::systemBus();
    if (system.isConnected())
        system.connect(QStringLiteral("org.freedesktop.login1"),
                       QStringLiteral("/org/freedesktop/login1"),
                       QStringLiteral("org.freedesktop.login1.Manager"),
                       QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool)));
}

void SessionDisplayPower::screenSaverActiveChanged(bool active)
{
    m_screenSaverActive = active;
    set(m_screenSaverActive || m_systemSleeping);
}

void SessionDisplayPower::prepareForSleep(bool sleeping)
{
    m_systemSleeping = sleeping;
    set(m_screenSaverActive || m_systemSleeping);
}

void SessionDisplayPower::set(bool asleep)
{
    if (asleep == m_asleep)
        return;
    m_asleep = asleep;
    if (asleep)
        emit displaysDidSleep();
    else
        emit displaysDidWake();
}

} // namespace quintara
