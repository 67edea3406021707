#pragma once

#include <QObject>
#include <QRegion>

class QWindow;

namespace quintara {

// Gives a top-level window the island's place on the window system: above every other window
// and the panels, on every workspace, out of the taskbar, the pager and window switching, never
// focused. It shows only the part `setDrawnRegion` names and takes the pointer only inside
// `setInputRegion`; everywhere else the desktop shows through and clicks pass to what lies
// beneath.
class IslandWindowRole : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    ~IslandWindowRole() override = default;

    // Before the window is first shown (its native window exists).
    virtual void prepare(QWindow &window) = 0;
    // After each showing, for what the window manager only takes from mapped windows.
    virtual void shown(QWindow &window) = 0;
    // In window coordinates; empty: every click passes through.
    virtual void setInputRegion(QWindow &window, const QRegion &region) = 0;
    // In window coordinates: what the window draws. With a compositing manager the window's own
    // transparency hides the rest; without one the window is cut to this region.
    virtual void setDrawnRegion(QWindow &window, const QRegion &region) = 0;
    // A compositing manager runs (the window's transparent pixels show the desktop).
    virtual bool isCompositing() const = 0;

signals:
    void compositingChanged(bool compositing);
};

} // namespace quintara
