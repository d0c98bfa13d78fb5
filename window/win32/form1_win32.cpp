#include "window/win32/form1_win32.h"

#include <windowsx.h>

#include <exception>

#include "window/win32/crash_win32.h"
#include "window/win32/system_win32.h"
#include "window/win32/text_win32.h"

namespace orvane::win32 {
namespace {

UINT_PTR TimerIdOf(Control c) {
  switch (c) {
    case Control::Timer1: return kTimer1Id;
    case Control::Timer2: return kTimer2Id;
    default: return kWktatsId;
  }
}

constexpr Control kTimerOfId[] = {Control::Timer1, Control::Timer2, Control::wktats};

// The form's window for AbandonForm1, which may run when nothing else can be trusted.
HWND gForm = nullptr;
volatile LONG gAbandoned = 0;

std::wstring WindowText(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace

void Form1Window::LoadAndShow() {
  // Form_Load ends with the pin: the window is first seen at the top, where it stays.
  events_.Handle(Event::Form_Load);
  ShowWindow(window_.get(), SW_SHOWNORMAL);
  SetForegroundWindow(window_.get());
  UpdateWindow(window_.get());
  SetFocus(combo1_);
  events_.Handle(Event::Form_Shown);
  keepPlace_ = RunsUnderWine();
}

void AbandonForm1() {
  InterlockedExchange(&gAbandoned, 1);
  // The timers and the window belong to the window's thread, which may not be this one and may
  // not answer: asked there, within a bound (on its own thread this is a plain call).
  if (HWND form = gForm) SendMessageTimeoutW(form, kAbandonMessage, 0, 0, SMTO_ABORTIFHUNG, 1000, nullptr);
}

bool Form1Abandoned() { return gAbandoned != 0; }

void Form1Window::StopEverything() {
  for (UINT_PTR id : {kTimer1Id, kTimer2Id, kWktatsId}) {
    timerOn_[id - 1] = false;
    KillTimer(window_.get(), id);
  }
  events_.End();
}

void Form1Window::FailWith(std::string_view where, std::string_view what) {
  // The box's own message loop goes on dispatching the window's messages: nothing may count or
  // ask for the action behind a box that says the program stopped.
  StopEverything();
  const std::wstring text = StoppedText(Widen(where), Widen(what));
  HWND owner = window_ && IsWindowVisible(window_.get()) ? window_.get() : nullptr;
  MessageBoxW(owner, text.c_str(), L"Orvane", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  ExitProcess(1);
}

LRESULT CALLBACK Form1Window::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (gAbandoned) {
    if (msg == kAbandonMessage) {
      for (UINT_PTR id : {kTimer1Id, kTimer2Id, kWktatsId}) KillTimer(hwnd, id);
      EnableWindow(hwnd, FALSE);
      return 0;
    }
    return DefWindowProcW(hwnd, msg, wp, lp);
  }
  if (msg == WM_NCCREATE) {
    gForm = hwnd;
    auto* form = static_cast<Form1Window*>(reinterpret_cast<CREATESTRUCTW*>(lp)->lpCreateParams);
    form->window_.reset(hwnd);
    SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
  }
  auto* form = reinterpret_cast<Form1Window*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
  if (!form) return DefWindowProcW(hwnd, msg, wp, lp);
  try {
    return form->HandleMessage(msg, wp, lp);
  } catch (const std::exception& e) {
    form->FailWith("the window", e.what());
  } catch (...) {
    form->FailWith("the window", "an unknown error");
  }
}

LRESULT Form1Window::HandleMessage(UINT msg, WPARAM wp, LPARAM lp) {
  HWND hwnd = window_.get();
  switch (msg) {
    case WM_ERASEBKGND:
      return 1;  // the picture covers everything
    case WM_PAINT:
      OnPaint();
      return 0;
    case WM_TIMER:
      OnTimer(wp);
      return 0;
    case WM_COMMAND:
      OnCommand(LOWORD(wp), HIWORD(wp));
      return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      OnMouseDown(msg, {GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      return 0;
    case WM_LBUTTONUP:
      OnMouseUp({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      return 0;
    case WM_MOUSEMOVE:
      OnMouseMove({GET_X_LPARAM(lp), GET_Y_LPARAM(lp)});
      return 0;
    case WM_CAPTURECHANGED:
      label7Pressed_ = false;
      return 0;
    case WM_MEASUREITEM: {
      auto* item = reinterpret_cast<MEASUREITEMSTRUCT*>(lp);
      item->itemHeight = static_cast<UINT>(Scale(15));
      return TRUE;
    }
    case WM_DRAWITEM:
      return OnDrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lp));
    case WM_CTLCOLORLISTBOX:
      return OnCtlColorListBox(reinterpret_cast<HDC>(wp));
    case WM_CTLCOLOREDIT:
    case WM_CTLCOLORSTATIC:  // what a disabled edit control asks
      if (reinterpret_cast<HWND>(lp) == text1_) return OnCtlColorText1(reinterpret_cast<HDC>(wp));
      return DefWindowProcW(hwnd, msg, wp, lp);
    case WM_ACTIVATE:
      OnActivate(LOWORD(wp) != WA_INACTIVE);
      return 0;
    case WM_SETFOCUS:
      SetFocus(savedFocus_ && IsWindowEnabled(savedFocus_) ? savedFocus_ : combo1_);
      return 0;
    case WM_DPICHANGED:
      OnDpiChanged(HIWORD(wp), *reinterpret_cast<const RECT*>(lp));
      return 0;
    case WM_WINDOWPOSCHANGED:
      OnWindowPosChanged(*reinterpret_cast<const WINDOWPOS*>(lp));
      return DefWindowProcW(hwnd, msg, wp, lp);
    case kMovedMessage:
      OnMoved();
      return 0;
    case WM_ENTERSIZEMOVE:
      events_.Handle(Event::Form_MoveBegan);
      return 0;
    case WM_EXITSIZEMOVE:
      events_.Handle(Event::Form_MoveEnded);
      return 0;
    case WM_GETOBJECT:
      if (const LRESULT object = access_ ? access_->OnGetObject(wp, lp) : 0) return object;
      return DefWindowProcW(hwnd, msg, wp, lp);
    case kAccessPressMessage:
      if (static_cast<Control>(wp) == Control::Label7) events_.Handle(Event::Label7_Click);
      return 0;
    case WM_CLOSE:
      // Closed from the task bar or with Alt+F4: the program ends, without the goodbye box.
      events_.Handle(Event::Form_Closed);
      return 0;
    case WM_QUERYENDSESSION:
      return TRUE;  // the system may end the session; the countdown has nothing to save
    case WM_ENDSESSION:
      // A logoff, a shutdown, or the Restart Manager closing us for an installer (the session
      // goes on): whatever lParam says, we end now, with no request and no box.
      if (wp) {
        StopEverything();
        ExitProcess(0);
      }
      return 0;
    case WM_SYSCOLORCHANGE:
      desktopBrush_.reset(CreateSolidBrush(ToColorRef(kSysDesktop)));
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      if (gForm == hwnd) gForm = nullptr;
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      (void)window_.release();  // the system has destroyed it
      return DefWindowProcW(hwnd, msg, wp, lp);
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

void Form1Window::OnTimer(UINT_PTR id) {
  // A tick already queued when its timer was switched off is not delivered.
  if (id < 1 || id > timerOn_.size() || !timerOn_[id - 1]) return;
  // While a minute is counted, a new count is announced to screen readers (see SetText).
  const bool outer = countingMinute_;
  countingMinute_ = id == kTimer1Id;
  events_.Handle(TimerEvent(kTimerOfId[id - 1]));
  countingMinute_ = outer;
}

void Form1Window::OnCommand(int id, int code) {
  switch (id) {
    case kCommand1Id:
      if (code == BN_CLICKED) events_.Handle(Event::Command1_Click);
      break;
    case kCommand2Id:
      if (code == BN_CLICKED) events_.Handle(Event::Command2_Click);
      break;
    case kText1Id:
      // text1FocusPeer_ is where the focus came from or went to (see Text1FocusProc).
      if (code == EN_SETFOCUS) events_.Handle(Event::Text1_GotFocus, text1FocusPeer_);
      if (code == EN_KILLFOCUS) events_.Handle(Event::Text1_LostFocus, text1FocusPeer_);
      break;
  }
}

void Form1Window::OnMouseDown(UINT msg, POINT at) {
  const layout::ControlLayout* label = LabelAt(at);
  if (!label) {
    events_.Handle(Event::Form_MouseDown);
    return;
  }
  // A press on a label is the label's; only Label7 answers, with a click on release.
  if (label->id == Control::Label7 && msg == WM_LBUTTONDOWN) {
    SetCapture(window_.get());
    label7Pressed_ = true;
  }
}

void Form1Window::OnMouseUp(POINT at) {
  if (!label7Pressed_) return;
  label7Pressed_ = false;
  ReleaseCapture();
  const layout::ControlLayout* label = LabelAt(at);
  if (label && label->id == Control::Label7) {
    events_.Handle(Event::Label7_Click);
  }
}

void Form1Window::OnMouseMove(POINT at) {
  const layout::ControlLayout* label = LabelAt(at);
  if (!label) {
    events_.Handle(Event::Form_MouseMove);
  } else if (label->id == Control::Label7) {
    events_.Handle(Event::Label7_MouseMove);
  }
}

// ---- FormControls ----

std::string Form1Window::Text(Control c) const {
  // Form1, Text1 and the buttons hold their own text; the labels' captions are ours.
  if (c == Control::Form1) return Narrow(WindowText(window_.get()));
  if (HWND hwnd = ChildOf(c)) return Narrow(WindowText(hwnd));
  return captions_[Index(c)];  // a label
}

void Form1Window::SetText(Control c, std::string_view text) {
  HWND hwnd = c == Control::Form1 ? window_.get() : ChildOf(c);
  if (hwnd) {
    SetWindowTextW(hwnd, Widen(text).c_str());
    return;
  }
  // A label. A self-sizing label may shrink: repaint its old box as well as its new one.
  const RECT before = LabelRect(c);
  const bool changed = captions_[Index(c)] != text;
  captions_[Index(c)] = std::string(text);
  const RECT after = LabelRect(c);
  InvalidateRect(window_.get(), &before, FALSE);
  InvalidateRect(window_.get(), &after, FALSE);
  // Readers hear the count once a minute; not when Stop puts it back to 0, where the user is at
  // the button that did it.
  if (changed && countingMinute_ && access_) access_->Announce(c);
}

void Form1Window::SetEnabled(Control c, bool enabled) {
  if (const layout::TimerLayout* timer = layout::FindTimer(c)) {
    const UINT_PTR id = TimerIdOf(c);
    timerOn_[id - 1] = enabled;
    // Switching a timer on starts a full interval from now.
    if (enabled) {
      SetTimer(window_.get(), id, static_cast<UINT>(timer->intervalMs), nullptr);
    } else {
      KillTimer(window_.get(), id);
    }
    return;
  }
  HWND hwnd = ChildOf(c);
  EnableWindow(hwnd, enabled ? TRUE : FALSE);
  // A control that loses the focus by being disabled hands it to the next one in tab order.
  if (!enabled) FocusFirstEnabledAfter(hwnd);
}

std::int16_t Form1Window::ListIndex(Control) const {
  return static_cast<std::int16_t>(SendMessageW(combo1_, CB_GETCURSEL, 0, 0));
}

void Form1Window::SetForeColor(Control c, Color color) {
  if (foreColors_[Index(c)] == color) return;
  foreColors_[Index(c)] = color;
  if (HWND hwnd = ChildOf(c)) {
    InvalidateRect(hwnd, nullptr, FALSE);
  } else if (c != Control::Form1) {
    const RECT box = LabelRect(c);
    InvalidateRect(window_.get(), &box, FALSE);
  }
}

void Form1Window::MsgBox(std::string_view prompt, int style, std::string_view title) {
  // While the window is still hidden (the welcome box) the box stands on its own, with its own
  // task-bar button. Every box comes to the front: at the target minute the form is mostly
  // behind other windows, and a refusal nobody sees leaves the user waiting for the action.
  HWND owner = IsWindowVisible(window_.get()) ? window_.get() : nullptr;
  MessageBoxW(owner, Widen(prompt).c_str(), Widen(title).c_str(),
              static_cast<UINT>(style) | MB_SETFOREGROUND);
}

void Form1Window::ApplyColorKey() {
  HWND hwnd = window_.get();
  const COLORREF key = RGB(255, 255, 255);
  const LONG style = GetWindowLongA(hwnd, GWL_EXSTYLE);
  SetWindowLongA(hwnd, GWL_EXSTYLE, style | WS_EX_LAYERED);
  SetLayeredWindowAttributes(hwnd, key, 0, LWA_COLORKEY);
}

void Form1Window::EndProgram() { ExitProcess(0); }

void Form1Window::EndWithError(std::string_view procedure, std::string_view what) {
  FailWith(procedure, what);
}

// ---- helpers ----

const layout::ControlLayout* Form1Window::LabelAt(POINT at) const {
  for (const layout::ControlLayout& entry : layout::kControls) {
    if (entry.kind != layout::Kind::Label) continue;
    const RECT r = LabelRect(entry.id);
    if (PtInRect(&r, at)) return &entry;
  }
  return nullptr;
}

HWND Form1Window::ChildOf(Control c) const {
  switch (c) {
    case Control::Text1: return text1_;
    case Control::Combo1: return combo1_;
    case Control::Command1: return command1_;
    case Control::Command2: return command2_;
    default: return nullptr;
  }
}

}  // namespace orvane::win32
