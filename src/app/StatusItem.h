#pragma once

#include "app/StatusMenu.h"
#include "platform/TrayHost.h"

#include <QObject>
#include <functional>
#include <memory>

class QMenu;
class QSystemTrayIcon;

namespace quintara {

// The tray icon and its menu, which is emptied and rebuilt from the live state every time it
// is about to open.
class StatusItem : public QObject {
    Q_OBJECT
public:
    using Build = std::function<QList<MenuEntry>()>;

    // Without a host, the desktop's own (a StatusNotifierWatcher or an XEmbed tray) is used.
    explicit StatusItem(Build build, std::unique_ptr<TrayHost> host = nullptr,
                        QObject *parent = nullptr);
    ~StatusItem() override;

    // Shows the tray icon; false (with one log line) while the desktop has no tray host, in
    // which case the icon appears as soon as a host does.
    bool install();
    bool isShown() const { return m_tray != nullptr; }

    QMenu *menu() const { return m_menu; }
    // Empties `menu` and fills it from `entries`.
    static void populate(QMenu *menu, const QList<MenuEntry> &entries);

private:
    bool show();

    Build m_build;
    std::unique_ptr<TrayHost> m_host;
    QMenu *m_menu;
    QSystemTrayIcon *m_tray = nullptr;
    bool m_watching = false;
};

} // namespace quintara
