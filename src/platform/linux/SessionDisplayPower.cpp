#include "platform/linux/SessionDisplayPower.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <cstdlib>
#include <xcb/dpms.h>

namespace quintara {

bool dpmsDisplaysOff()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *c = x11 ? x11->connection() : nullptr;
    if (!c)
        return false;
    const xcb_query_extension_reply_t *extension = xcb_get_extension_data(c, &xcb_dpms_id);
    if (!extension || !extension->present)
        return false;
    xcb_dpms_info_reply_t *info = xcb_dpms_info_reply(c, xcb_dpms_info(c), nullptr);
    const bool off = info && info->state && info->power_level != XCB_DPMS_DPMS_MODE_ON;
    std::free(info);
    return off;
}

SessionDisplayPower::SessionDisplayPower(Scheduler &scheduler, QObject *parent)
    : DisplayPower(parent), m_scheduler(scheduler)
{
    QDBusConnection session = QDBusConnection::sessionBus();
    if (session.isConnected()) {
        const QString path = QStringLiteral("/org/freedesktop/ScreenSaver");
        const QString interface = QStringLiteral("org.freedesktop.ScreenSaver");
        session.connect(QString(), path, interface, QStringLiteral("ActiveChanged"), this,
                        SLOT(screenSaverActiveChanged(bool)));
        // A screen already locked when Quintara starts sends no signal until it ends.
        auto *watcher = new QDBusPendingCallWatcher(
            session.asyncCall(QDBusMessage::createMethodCall(interface, path, interface,
                                                             QStringLiteral("GetActive"))),
            this);
        connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher] {
            const QDBusPendingReply<bool> reply = *watcher;
            if (reply.isValid() && !m_screenSaverHeard)
                screenSaverActiveChanged(reply.value());
            watcher->deleteLater();
        });
    }
    QDBusConnection system = QDBusConnection::systemBus();
    if (system.isConnected())
        system.connect(QStringLiteral("org.freedesktop.login1"),
                       QStringLiteral("/org/freedesktop/login1"),
                       QStringLiteral("org.freedesktop.login1.Manager"),
                       QStringLiteral("PrepareForSleep"), this, SLOT(prepareForSleep(bool)));
    update();
}

void SessionDisplayPower::screenSaverActiveChanged(bool active)
{
    m_screenSaverHeard = true;
    m_screenSaverActive = active;
    update();
}

void SessionDisplayPower::prepareForSleep(bool sleeping)
{
    m_systemSleeping = sleeping;
    update();
}

void SessionDisplayPower::update()
{
    const bool dpmsOff = dpmsDisplaysOff();
    // Nothing tells when DPMS turns the displays on again, so look while it holds them off.
    if (dpmsOff && !m_dpmsCheck.isPending())
        m_dpmsCheck = m_scheduler.every(dpmsRecheck, this, [this] { update(); });
    else if (!dpmsOff)
        m_dpmsCheck.cancel();
    setAsleep(m_screenSaverActive || m_systemSleeping || dpmsOff);
}

} // namespace quintara
