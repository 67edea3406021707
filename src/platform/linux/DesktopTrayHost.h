#pragma once

#include "platform/TrayHost.h"

class QDBusServiceWatcher;
class QSocketNotifier;
struct xcb_connection_t;

namespace quintara {

// A tray host is a StatusNotifierWatcher on the session bus or an XEmbed system tray (the owner
// of the _NET_SYSTEM_TRAY_Sn selection). A watcher's host registration and the tray manager's
// MANAGER announcement on the root window tell when one appears.
class DesktopTrayHost final : public TrayHost {
    Q_OBJECT
public:
    static constexpr char watcherService[] = "org.kde.StatusNotifierWatcher";

    explicit DesktopTrayHost(QObject *parent = nullptr);
    ~DesktopTrayHost() override;

    bool isAvailable() const override;

private:
    bool hostRegistered() const;
    void readEvents();

    QDBusServiceWatcher *m_watcher = nullptr;
    xcb_connection_t *m_connection = nullptr;
    unsigned m_root = 0;
    unsigned m_selection = 0;
    unsigned m_manager = 0;
    QSocketNotifier *m_notifier = nullptr;
};

} // namespace quintara
