#pragma once

#include "app/StatusMenu.h"

#include <QObject>
#include <functional>

class QMenu;
class QSystemTrayIcon;

namespace quintara {

// The tray icon and its menu, which is emptied and rebuilt from the live state every time it
// is about to open.
class StatusItem : public QObject {
    Q_OBJECT
public:
    using Build = std::function<QList<MenuEntry>()>;

    explicit StatusItem(Build build, QObject *parent = nullptr);
    ~StatusItem() override;

    // Shows the tray icon; false (with one log line) when the desktop has no tray host.
    bool install();

    QMenu *menu() const { return m_menu; }
    // Empties `menu` and fills it from `entries`.
    static void populate(QMenu *menu, const QList<MenuEntry> &entries);

private:
    Build m_build;
    QMenu *m_menu;
    QSystemTrayIcon *m_tray = nullptr;
};

} // namespace quintara
