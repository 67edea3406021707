#pragma once

#include <QRegion>
#include <span>
#include <xcb/xcb.h>

class QWindow;

namespace quintara::x11 {

// Qt's own X connection; none when the application does not run on X11.
xcb_connection_t *connection();
xcb_atom_t atom(xcb_connection_t *c, const char *name);
xcb_window_t rootOf(xcb_connection_t *c, xcb_window_t window);
// The display's default screen, which Qt's connection talks to, and its root window.
int defaultScreen();
xcb_window_t defaultRoot(xcb_connection_t *c);

// A display connection of the caller's own, so events it selects reach it without Qt's help.
// `connection` is null when the display cannot be reached; the owner disconnects it.
struct OwnConnection {
    xcb_connection_t *connection = nullptr;
    int screen = 0;
    xcb_window_t root = XCB_WINDOW_NONE;
};
OwnConnection connectOwn();

// The parts of an unmapped window's EWMH role: its one type (`qtType` is the bit of Qt's xcb
// backend for it, which writes the type again whenever it maps the window), `states`, every
// workspace, and no keyboard focus.
void prepareWindow(QWindow &window, const char *type, int qtType,
                   std::span<const char *const> states);
// For a mapped window: asks the window manager for `states` and every workspace.
void announceWindow(QWindow &window, std::span<const char *const> states);

// Shapes in window coordinates, scaled to the window's pixels.
void setInputShape(QWindow &window, const QRegion &region);
// With `cut`, the window shows only `region`; without, all of it again.
void setBoundingShape(QWindow &window, const QRegion &region, bool cut);

} // namespace quintara::x11
