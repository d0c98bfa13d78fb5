#include "window/win32/form1_win32.h"

namespace orvane::win32 {

int Form1Window::Run() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    // Tab and Shift+Tab walk the controls in their tab order, whatever their stacking.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB &&
        (msg.hwnd == window_.get() || IsChild(window_.get(), msg.hwnd))) {
      MoveFocus(GetKeyState(VK_SHIFT) < 0);
      continue;
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
  }
  return static_cast<int>(msg.wParam);
}

void Form1Window::MoveFocus(bool backwards) {
  const auto order = layout::TabOrder();
  const int n = static_cast<int>(order.size());
  HWND focus = GetFocus();
  int at = -1;
  for (int i = 0; i < n; ++i) {
    HWND hwnd = ChildOf(order[i]);
    if (hwnd == focus || IsChild(hwnd, focus)) at = i;
  }
  for (int step = 1; step <= n; ++step) {
    const int i = ((at < 0 ? (backwards ? 0 : -1) : at) + (backwards ? -step : step) + 2 * n) % n;
    HWND hwnd = ChildOf(order[i]);
    if (IsWindowEnabled(hwnd)) {
      SetFocus(hwnd);
      if (order[i] == Control::Text1) SendMessageW(hwnd, EM_SETSEL, 0, -1);
      return;
    }
  }
}

void Form1Window::FocusFirstEnabledAfter(HWND disabled) {
  if (GetFocus() != nullptr && GetFocus() != disabled) return;
  const auto order = layout::TabOrder();
  const int n = static_cast<int>(order.size());
  int at = 0;
  for (int i = 0; i < n; ++i) {
    if (ChildOf(order[i]) == disabled) at = i;
  }
  for (int step = 1; step < n; ++step) {
    HWND hwnd = ChildOf(order[(at + step) % n]);
    if (IsWindowEnabled(hwnd)) {
      SetFocus(hwnd);
      return;
    }
  }
}

void Form1Window::OnActivate(bool active) {
  // Like a dialog: the focus leaves with the window and comes back to where it was.
  if (!active) {
    HWND focus = GetFocus();
    if (focus && IsChild(window_.get(), focus)) savedFocus_ = focus;
    return;
  }
  SetFocus(savedFocus_ && IsWindowEnabled(savedFocus_) ? savedFocus_ : combo1_);
}

}  // namespace orvane::win32
