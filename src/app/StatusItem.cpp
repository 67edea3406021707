#include "app/StatusItem.h"

#include "platform/LogSink.h"
#include "platform/Symbols.h"
#include "platform/linux/DesktopTrayHost.h"

#include <QApplication>
#include <QMenu>
#include <QSystemTrayIcon>

namespace quintara {

StatusItem::StatusItem(Build build, std::unique_ptr<TrayHost> host, QObject *parent)
    : QObject(parent), m_build(std::move(build)), m_host(std::move(host)), m_menu(new QMenu)
{
    if (!m_host)
        m_host = std::make_unique<DesktopTrayHost>();
    connect(m_menu, &QMenu::aboutToShow, this, [this] { populate(m_menu, m_build()); });
}

StatusItem::~StatusItem()
{
    delete m_tray;
    delete m_menu;
}

bool StatusItem::install()
{
    if (show())
        return true;
    log::line(QStringLiteral("Quintara: no system tray on this desktop; launch Quintara again "
                             "to open its controls"));
    // A panel started after Quintara (both launched at login) brings its tray later. Qt is not
    // asked about a tray before there is one, or it keeps that first answer for good.
    if (!m_watching) {
        m_watching = true;
        connect(m_host.get(), &TrayHost::appeared, this, [this] {
            if (!m_tray && show())
                log::line(QStringLiteral("Quintara: a system tray appeared; the status item is "
                                         "in it"));
        });
    }
    return false;
}

bool StatusItem::show()
{
    if (m_tray)
        return true;
    if (!m_host->isAvailable() || !QSystemTrayIcon::isSystemTrayAvailable())
        return false;
    m_tray = new QSystemTrayIcon;
    QIcon icon = symbolIcon(QStringLiteral("photo.on.rectangle.angled"),
                            QApplication::palette().color(QPalette::WindowText));
    m_tray->setIcon(icon);
    m_tray->setToolTip(QStringLiteral("Quintara"));
    // The tray spec has no separate accessible name; hosts read the title and tooltip.
    m_tray->setContextMenu(m_menu);
    // Some hosts never emit aboutToShow for a tray menu before the first click: fill it now too.
    populate(m_menu, m_build());
    m_tray->show();
    return true;
}

void StatusItem::populate(QMenu *menu, const QList<MenuEntry> &entries)
{
    // clear() keeps submenus made by addMenu alive; drop the previous opening's ones.
    for (QMenu *old : menu->findChildren<QMenu *>(Qt::FindDirectChildrenOnly))
        old->deleteLater();
    menu->clear();
    for (const MenuEntry &entry : entries) {
        switch (entry.kind) {
        case MenuEntry::Kind::separator:
            menu->addSeparator();
            break;
        case MenuEntry::Kind::submenu: {
            QMenu *sub = menu->addMenu(entry.title);
            populate(sub, entry.children);
            break;
        }
        case MenuEntry::Kind::item: {
            QAction *action = menu->addAction(entry.title);
            action->setEnabled(entry.enabled);
            action->setShortcut(entry.shortcut);
            action->setShortcutVisibleInContextMenu(!entry.shortcut.isEmpty());
            if (entry.checked) {
                action->setCheckable(true);
                action->setChecked(*entry.checked);
            }
            if (entry.quits) {
                QObject::connect(action, &QAction::triggered, qApp, &QCoreApplication::quit,
                                 Qt::QueuedConnection);
            } else if (entry.action) {
                QPointer<MenuAction> target = entry.action;
                QObject::connect(action, &QAction::triggered, action, [target] {
                    if (target)
                        target->run();
                });
            }
            break;
        }
        }
    }
}

} // namespace quintara
