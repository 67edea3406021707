#pragma once

#include "platform/DesktopVisibility.h"

#include <QList>
#include <QRect>
#include <QSet>
#include <optional>

class QSocketNotifier;
struct xcb_connection_t;

namespace quintara {

// True when the union of `frames` leaves some part of `display` uncovered.
bool anyPartUncovered(const QRect &display, const QList<QRect> &frames);

// Desktop visibility from EWMH: the frames of the mapped, non-minimised windows on the current
// workspace that stand above the desktop (every managed window but desktop-type ones), against
// each display or against a window lower in the stacking order. Watches the root window's
// stacking list, current workspace and active window and every client's geometry and state on a
// connection of its own. The windows are read once per change, whatever the number of questions
// asked about them, and every event that arrives while a reply is awaited is handled too. Without
// X11 everything counts as visible and nothing changes.
class X11DesktopVisibility final : public DesktopVisibility {
    Q_OBJECT
public:
    explicit X11DesktopVisibility(QObject *parent = nullptr);
    ~X11DesktopVisibility() override;

    bool anyPartVisible(const QRect &displayFrame) const override;
    bool windowPartlyVisible(quintptr window) const override;
    bool isConnected() const { return m_connection != nullptr; }

private:
    // A managed window, bottom to top in the stacking order.
    struct Client {
        unsigned id;
        QRect area;  // the window itself
        QRect frame; // with the window manager's frame around it
        bool covers; // mapped, not minimised, on this workspace, not a desktop
    };
    enum Atom {
        clientListStacking,
        currentDesktop,
        wmDesktop,
        wmState,
        wmStateHidden,
        wmWindowType,
        wmWindowTypeDesktop,
        frameExtents,
        atomCount
    };

    void readEvents();
    void afterRoundTrip() const;
    QList<unsigned> stackingList() const;
    void watchClients(const QList<unsigned> &windows);
    const QList<Client> &clients() const;

    xcb_connection_t *m_connection = nullptr;
    unsigned m_root = 0;
    unsigned m_atoms[atomCount] = {};
    QSocketNotifier *m_notifier = nullptr;
    QSet<unsigned> m_watched;
    // The windows as last read; dropped by every relevant event.
    mutable std::optional<QList<Client>> m_clients;
    mutable bool m_readPosted = false;
};

} // namespace quintara
