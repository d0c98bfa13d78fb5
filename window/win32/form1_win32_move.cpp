// Moving the window: the system's move by the surface, and the top edge where the core's pin
// wants it.
#include "window/win32/form1_win32.h"

namespace orvane::win32 {

void Form1Window::BeginSystemMove() {
  ReleaseCapture();
  SendMessageA(window_.get(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

// Reported as soon as the window moves (also during the system's move loop), so the pin's timer
// can tick slowly: by a posted message, handled once this move's own handling is over, and never
// from inside it. Under Wine a move the window manager made (the drag, when it moves the window
// itself) arrives as an X event; a place asked for while Wine is still handling that event is
// recorded but never passed on to the X server, so a pin from here would leave the window where
// it was dropped on the screen while every Windows call said it was at the top, and each click
// then landed where the window was not.
void Form1Window::OnWindowPosChanged(const WINDOWPOS& pos) {
  if ((pos.flags & SWP_NOMOVE) || movedPosted_) return;
  movedPosted_ = PostMessageW(window_.get(), kMovedMessage, 0, 0) != FALSE;
  if (!movedPosted_) events_.Handle(Event::Form_Moved);  // a full queue: better now than never
}

// Under Wine with a window manager that puts each new window into a frame of its own (openbox),
// Wine can take the window's first place on the screen from that frame before the window manager
// has moved the frame where the window was put: the screen shows the window centred, while Wine,
// and with it GetWindowRect, the open list and every click, has it at the frame's first corner.
// Nothing tells it otherwise until the window moves again. So, under Wine, until the user first
// touches a key or the mouse, a move that nobody here asked for puts the window back where it was
// put, once (minimising is no move); asked from here, outside Wine's handling of the move, the
// place reaches the window manager, and Wine and the screen agree again. Windows never moves a
// window on its own like that, and there a program that moves ours has its way.
void Form1Window::OnMoved() {
  movedPosted_ = false;
  RECT r{};
  if (keepPlace_ && !IsIconic(window_.get()) && GetWindowRect(window_.get(), &r) &&
      (r.left != placed_.x || r.top != placed_.y)) {
    keepPlace_ = false;
    SetWindowPos(window_.get(), nullptr, placed_.x, placed_.y, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
  events_.Handle(Event::Form_Moved);
}

// Top is measured from the top of the monitor that holds the window: on one monitor that is the
// screen's top, and a monitor lower than its neighbours keeps the window on itself.
int Form1Window::Top(Control) const {
  RECT r{};
  GetWindowRect(window_.get(), &r);
  return r.top - MonitorArea(MONITOR_DEFAULTTONEAREST).top;
}

void Form1Window::SetTop(Control, int top) {
  RECT r{};
  GetWindowRect(window_.get(), &r);
  SetWindowPos(window_.get(), nullptr, r.left, MonitorArea(MONITOR_DEFAULTTONEAREST).top + top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT Form1Window::MonitorArea(DWORD fallback) const {
  MONITORINFO info{};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoW(MonitorFromWindow(window_.get(), fallback), &info)) {
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  }
  return info.rcMonitor;
}

}  // namespace orvane::win32
