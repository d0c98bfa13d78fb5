// Every call the window makes to the X server itself, for what Qt does not do or does not do
// right. Each answers false (or nothing) where the widget has no X window: another platform
// plugin (offscreen, Wayland), or a window not created yet.
#pragma once

#include <QPoint>
#include <QRegion>
#include <optional>

class QWidget;

namespace orvane::qt::x11 {

// Whether a connection to this X display can be opened (before Qt is started).
bool DisplayOpens(const char* display);

// Whether the widget has a window on an X server that the calls below can reach.
bool HasWindow(const QWidget& window);

// Where the X server has the window's top-left corner, in device pixels of the root window.
std::optional<QPoint> Placed(const QWidget& window);

// Asks for the window's top-left corner at `device` (root pixels); Qt would take the request
// for granted and skip it when its own idea of the place already matches.
bool MoveTo(const QWidget& window, QPoint device);

// Sets the window's bounding shape to these device pixels.
bool SetShape(const QWidget& window, const QRegion& device);

// Asks the window manager to bring the window to the front and give it the keyboard, as a task
// bar does for the user's click (a request the user made elsewhere, which focus-stealing
// prevention lets through).
bool Activate(const QWidget& window);

// Empties the window's title for the task bar (Qt names an untitled window after the program).
bool ClearTitle(const QWidget& window);

}  // namespace orvane::qt::x11
