#include "window/win32/form1_win32.h"

#include <commctrl.h>

namespace orvane::win32 {

bool Form1Window::IsInside(HWND hwnd) const {
  return hwnd && (hwnd == window_.get() || IsChild(window_.get(), hwnd));
}

LRESULT CALLBACK Form1Window::Text1FocusProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR,
                                             DWORD_PTR self) {
  // The edit control reports EN_SETFOCUS and EN_KILLFOCUS while it handles these two, without
  // saying where the focus came from or went to; wParam does. A message box, another program or
  // nothing at all (the window deactivated) is outside: no focus move of the form's own.
  // Abandoned after a crash, the form object may be gone: not a look at it.
  if ((msg == WM_SETFOCUS || msg == WM_KILLFOCUS) && !Form1Abandoned()) {
    auto* form = reinterpret_cast<Form1Window*>(self);
    form->text1FocusPeer_ = form->IsInside(reinterpret_cast<HWND>(wp)) ? FocusPeer::InsideWindow
                                                                        : FocusPeer::OutsideWindow;
  }
  return DefSubclassProc(hwnd, msg, wp, lp);
}

int Form1Window::Run() {
  MSG msg;
  while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
    if ((msg.message >= WM_KEYFIRST && msg.message <= WM_KEYLAST) ||
        (msg.message >= WM_MOUSEFIRST && msg.message <= WM_MOUSELAST)) {
      keepPlace_ = false;  // the user is here: from now on every move is theirs or asked for
    }
    // Tab and Shift+Tab walk the controls in their tab order, whatever their stacking.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_TAB &&
        (msg.hwnd == window_.get() || IsChild(window_.get(), msg.hwnd))) {
      MoveFocus(GetKeyState(VK_SHIFT) < 0);
      continue;
    }
    // Enter presses a focused Start or Stop, as a click does, as in every dialog; neither is a
    // default button, so Enter elsewhere does nothing.
    if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN &&
        (msg.hwnd == command1_ || msg.hwnd == command2_)) {
      if (IsWindowEnabled(msg.hwnd) && (msg.lParam & (1L << 30)) == 0) {
        SendMessageW(msg.hwnd, BM_CLICK, 0, 0);
      }
      continue;
    }
    // Alt+F4 closes the window whatever control has the focus, as a close from outside does:
    // the list keeps every Alt key for itself and would swallow it.
    if (msg.message == WM_SYSKEYDOWN && msg.wParam == VK_F4 && (HIWORD(msg.lParam) & KF_ALTDOWN) &&
        IsChild(window_.get(), msg.hwnd)) {
      SendMessageW(window_.get(), WM_SYSCOMMAND, SC_CLOSE, 0);
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
