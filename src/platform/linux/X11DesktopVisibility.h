#pragma once

#include "platform/DesktopVisibility.h"

#include <QList>
#include <QRect>
#include <QSet>

class QSocketNotifier;
struct xcb_connection_t;

namespace quintara {

// True when the union of `frames` leaves some part of `display` uncovered.
bool anyPartUncovered(const QRect &display, const QList<QRect> &frames);

// Desktop visibility from EWMH: the frames of the mapped, non-minimised windows on the current
// workspace that stand above the desktop (every managed window but desktop-type ones), against
// each display. Watches the root window's stacking list, current workspace and active window
// and every client's geometry and state on a connection of its own. Without X11 every display
// counts as visible and nothing changes.
class X11DesktopVisibility final : public DesktopVisibility {
    Q_OBJECT
public:
    explicit X11DesktopVisibility(QObject *parent = nullptr);
    ~X11DesktopVisibility() override;

    bool anyPartVisible(const QRect &displayFrame) const override;
    bool isConnected() const { return m_connection != nullptr; }

private:
    void readEvents();
    void watchClients();
    QList<QRect> coveringFrames() const;
    unsigned atom(const char *name) const;

    xcb_connection_t *m_connection = nullptr;
    unsigned m_root = 0;
    QSocketNotifier *m_notifier = nullptr;
    QSet<unsigned> m_watched;
};

} // namespace quintara
