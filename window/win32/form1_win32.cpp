#include "window/win32/form1_win32.h"

#include <commctrl.h>
#include <windowsx.h>

#include <algorithm>
#include <exception>
#include <stdexcept>

#include "window/win32/resource_ids.h"
#include "window/win32/text_win32.h"

namespace orvane::win32 {
namespace {

constexpr wchar_t kText1Tooltip[] = L"Countdown when";

// Picture sizes of the 1x and 2x renditions.
constexpr int kPictureWidth = 504;
constexpr int kPictureHeight = 360;

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
using SetWindowThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);

// Classic drawing for a push button, so that its face has the system button-face colour
// under every visual style: a style that paints faces pure white would make the colour key cut
// the buttons out. uxtheme is looked up, as systems before XP lack it.
void UseButtonFaceColour(HWND button) {
  static HMODULE uxtheme = LoadLibraryW(L"uxtheme.dll");
  static const auto setWindowTheme = uxtheme
      ? reinterpret_cast<SetWindowThemeFn>(
            reinterpret_cast<void (*)()>(GetProcAddress(uxtheme, "SetWindowTheme")))
      : nullptr;
  if (setWindowTheme) setWindowTheme(button, L" ", L" ");  // no such theme: classic
}

// GetDpiForWindow where the system has it (Windows 10 1607 on), else the screen's DPI.
int DpiOf(HWND hwnd) {
  static const auto getDpiForWindow = reinterpret_cast<GetDpiForWindowFn>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
  if (getDpiForWindow) {
    const UINT dpi = getDpiForWindow(hwnd);
    if (dpi != 0) return static_cast<int>(dpi);
  }
  ScreenDc screen;
  return GetDeviceCaps(screen.get(), LOGPIXELSY);
}

const layout::TimerLayout& TimerLayoutOf(Control c) {
  for (const layout::TimerLayout& t : layout::kTimers) {
    if (t.id == c) return t;
  }
  throw std::logic_error("not a timer");
}

UINT_PTR TimerIdOf(Control c) {
  switch (c) {
    case Control::Timer1: return kTimer1Id;
    case Control::Timer2: return kTimer2Id;
    default: return kWktatsId;
  }
}

bool IsTimer(Control c) {
  return c == Control::Timer1 || c == Control::Timer2 || c == Control::wktats;
}

std::wstring WindowText(HWND hwnd) {
  std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
  text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
  return text;
}

}  // namespace

Form1Window::Form1Window(HINSTANCE instance, PowerPlatform& platform)
    : instance_(instance), events_(*this, platform) {
  for (const layout::ControlLayout& entry : layout::kControls) {
    captions_[Index(entry.id)] = std::string(entry.text);
    foreColors_[Index(entry.id)] = entry.fore;
  }
}

Form1Window::~Form1Window() {
  // The window outlives the members it would use: let it die with the default procedure.
  if (window_) SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
}

std::unique_ptr<Form1Window> Form1Window::Create(HINSTANCE instance, PowerPlatform& platform) {
  std::unique_ptr<Form1Window> form(new Form1Window(instance, platform));

  WNDCLASSEXW wc{};
  wc.cbSize = sizeof wc;
  wc.lpfnWndProc = WindowProc;
  wc.hInstance = instance;
  wc.hIcon = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_ORVANE), IMAGE_ICON,
                                           GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
  wc.hIconSm = static_cast<HICON>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_ORVANE), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXSMICON),
                                             GetSystemMetrics(SM_CYSMICON), 0));
  wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  wc.lpszClassName = kFormClass;
  if (!RegisterClassExW(&wc)) throw std::runtime_error("the window class could not be registered");

  const std::wstring caption = Widen(layout::kInitialCaption);
  // WS_SYSMENU gives the task-bar button its menu; no frame, no minimise or maximise box.
  HWND hwnd = CreateWindowExW(WS_EX_APPWINDOW, kFormClass, caption.c_str(),
                              WS_POPUP | WS_CLIPCHILDREN | WS_SYSMENU, 0, 0, layout::kClientWidth,
                              layout::kClientHeight, nullptr, nullptr, instance, form.get());
  if (!hwnd) throw std::runtime_error("the window could not be created");

  // The resources are run-length compressed, which a DIB section cannot hold: they load as
  // bitmaps compatible with the screen, every colour exact (pure white stays pure white).
  form->picture1x_.reset(static_cast<HBITMAP>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDB_BACKGROUND), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
  form->picture2x_.reset(static_cast<HBITMAP>(
      LoadImageW(instance, MAKEINTRESOURCEW(IDB_BACKGROUND_2X), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
  if (!form->picture1x_ || !form->picture2x_) throw std::runtime_error("the picture is missing");
  form->desktopBrush_.reset(CreateSolidBrush(form->ToColorRef(kSysDesktop)));

  form->CreateControls();
  form->ApplyDpi(DpiOf(hwnd));
  form->CenterOnScreen();
  for (const layout::TimerLayout& t : layout::kTimers) form->SetEnabled(t.id, t.enabledAtCreation);
  return form;
}

void Form1Window::CreateControls() {
  HWND form = window_.get();
  const auto child = [&](DWORD exStyle, const wchar_t* cls, Control c, DWORD style, int id) {
    const std::wstring text = Widen(layout::Find(c)->text);
    HWND hwnd = CreateWindowExW(exStyle, cls, text.c_str(), WS_CHILD | WS_VISIBLE | WS_TABSTOP | style,
                                0, 0, 0, 0, form, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
                                instance_, nullptr);
    if (!hwnd) throw std::runtime_error("a control could not be created");
    return hwnd;
  };
  text1_ = child(WS_EX_CLIENTEDGE, WC_EDITW, Control::Text1, ES_LEFT | ES_AUTOHSCROLL, kText1Id);
  // As much as anyone could mean, and no more: an edit control holding a pasted megabyte spends
  // minutes laying it out (under Wine), with the window frozen the whole time.
  SendMessageW(text1_, EM_SETLIMITTEXT, 32767, 0);
  combo1_ = child(0, WC_COMBOBOXW, Control::Combo1,
                  WS_VSCROLL | CBS_DROPDOWNLIST | CBS_OWNERDRAWFIXED | CBS_HASSTRINGS, kCombo1Id);
  for (std::string_view item : layout::kComboItems) {
    SendMessageW(combo1_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Widen(item).c_str()));
  }
  command1_ = child(0, WC_BUTTONW, Control::Command1, BS_PUSHBUTTON, kCommand1Id);
  command2_ = child(0, WC_BUTTONW, Control::Command2, BS_PUSHBUTTON, kCommand2Id);
  UseButtonFaceColour(command1_);
  UseButtonFaceColour(command2_);

  // Stacking from the top down as the layout lists it; the tab order is kept by MoveFocus.
  HWND above = HWND_TOP;
  for (const layout::ControlLayout& entry : layout::kControls) {
    if (HWND hwnd = ChildOf(entry.id)) {
      SetWindowPos(hwnd, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
      above = hwnd;
    }
  }

  tooltip_ = CreateWindowExW(WS_EX_TOPMOST, TOOLTIPS_CLASSW, nullptr, WS_POPUP | TTS_ALWAYSTIP,
                             CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, form,
                             nullptr, instance_, nullptr);
  if (tooltip_) {
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = form;
    tool.uId = reinterpret_cast<UINT_PTR>(text1_);
    tool.lpszText = const_cast<wchar_t*>(kText1Tooltip);
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
}

void Form1Window::ApplyDpi(int dpi) {
  dpi_ = dpi;
  BuildFonts();
  BuildBackground();
  PlaceControls();
  SetWindowPos(window_.get(), nullptr, 0, 0, Scale(layout::kClientWidth),
               Scale(layout::kClientHeight), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  InvalidateRect(window_.get(), nullptr, FALSE);
}

void Form1Window::BuildFonts() {
  // One font per distinct font of the layout, fitted to every text that uses it.
  std::vector<FontSlot> fonts;
  ScreenDc screen;
  for (const layout::ControlLayout& entry : layout::kControls) {
    const auto same = [&](const FontSlot& s) { return SameFont(s.font, entry.font); };
    if (std::any_of(fonts.begin(), fonts.end(), same)) continue;
    fonts.push_back({entry.font, MakeLayoutFont(screen.get(), entry.font, dpi_)});
  }
  fonts_ = std::move(fonts);
  for (const layout::ControlLayout& entry : layout::kControls) {
    if (HWND hwnd = ChildOf(entry.id)) {
      SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(entry.id)), TRUE);
    }
  }
}

void Form1Window::BuildBackground() {
  // At 96 DPI the picture is copied pixel for pixel. Elsewhere the 2x rendition is scaled by
  // nearest neighbour: no blended colours, so the white key still cuts exactly.
  const int w = Scale(layout::kClientWidth);
  const int h = Scale(layout::kClientHeight);
  ScreenDc screen;
  UniqueBitmap target(CreateCompatibleBitmap(screen.get(), w, h));
  UniqueMemoryDc to(CreateCompatibleDC(screen.get()));
  UniqueMemoryDc from(CreateCompatibleDC(screen.get()));
  {
    SelectedObject selectedTo(to.get(), target.get());
    if (dpi_ == 96) {
      SelectedObject selectedFrom(from.get(), picture1x_.get());
      BitBlt(to.get(), 0, 0, w, h, from.get(), 0, 0, SRCCOPY);
    } else {
      SelectedObject selectedFrom(from.get(), picture2x_.get());
      SetStretchBltMode(to.get(), COLORONCOLOR);
      StretchBlt(to.get(), 0, 0, Scale(kPictureWidth), Scale(kPictureHeight), from.get(), 0, 0,
                 2 * kPictureWidth, 2 * kPictureHeight, SRCCOPY);
    }
  }
  background_ = std::move(target);
}

void Form1Window::PlaceControls() {
  for (const layout::ControlLayout& entry : layout::kControls) {
    HWND hwnd = ChildOf(entry.id);
    if (!hwnd) continue;
    const RECT r = ScaledRect(entry.box);
    // A drop-down list's window height includes its open list.
    const int listRoom = entry.kind == layout::Kind::ComboBox ? Scale(120) : 0;
    SetWindowPos(hwnd, nullptr, r.left, r.top, r.right - r.left, r.bottom - r.top + listRoom,
                 SWP_NOZORDER | SWP_NOACTIVATE);
  }
  FitComboHeight();
}

void Form1Window::FitComboHeight() {
  // The closed list's height follows the height of its selection field: set that so the
  // closed list is exactly as high as the layout says.
  const int target = Scale(layout::Find(Control::Combo1)->box.h);
  SIZE text = MeasureText(ScreenDc().get(), FontOf(Control::Combo1), L"Shutdown");
  SendMessageW(combo1_, CB_SETITEMHEIGHT, 0, text.cy);
  int field = target - Scale(6);
  for (int attempt = 0; attempt < 3; ++attempt) {
    SendMessageW(combo1_, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
    RECT r{};
    GetWindowRect(combo1_, &r);
    const int off = target - (r.bottom - r.top);
    if (off == 0) break;
    field += off;
  }
}

void Form1Window::CenterOnScreen() {
  HMONITOR monitor = MonitorFromWindow(window_.get(), MONITOR_DEFAULTTOPRIMARY);
  MONITORINFO info{};
  info.cbSize = sizeof info;
  GetMonitorInfoW(monitor, &info);
  const RECT& screen = info.rcMonitor;
  const int w = Scale(layout::kClientWidth);
  const int h = Scale(layout::kClientHeight);
  SetWindowPos(window_.get(), nullptr, screen.left + (screen.right - screen.left - w) / 2,
               screen.top + (screen.bottom - screen.top - h) / 2, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form1Window::LoadAndShow() {
  RunEvent("Form_Load", [this] { events_.Form_Load(); });
  ShowWindow(window_.get(), SW_SHOWNORMAL);
  SetForegroundWindow(window_.get());
  UpdateWindow(window_.get());
  SetFocus(combo1_);
}

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

template <class Procedure>
void Form1Window::RunEvent(const char* name, Procedure&& procedure) {
  // An event that arrives while another procedure waits in a message box is dropped: events
  // never overlap.
  if (inEvent_) return;
  inEvent_ = true;
  try {
    procedure();
  } catch (const std::exception& e) {
    FailWith(name, e.what());
  } catch (...) {
    FailWith(name, "an unknown error");
  }
  inEvent_ = false;
}

void Form1Window::FailWith(const char* where, const std::string& what) {
  const std::wstring text = L"Orvane stopped because of an unexpected error in " + Widen(where) +
                            L":\n\n" + Widen(what);
  HWND owner = window_ && IsWindowVisible(window_.get()) ? window_.get() : nullptr;
  MessageBoxW(owner, text.c_str(), L"Orvane", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
  ExitProcess(1);
}

LRESULT CALLBACK Form1Window::WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_NCCREATE) {
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
      // The top pin acts the moment the window moves, so its timer can tick slowly.
      if (!(reinterpret_cast<const WINDOWPOS*>(lp)->flags & SWP_NOMOVE)) OnTimer(kWktatsId);
      return DefWindowProcW(hwnd, msg, wp, lp);
    case WM_SYSCOLORCHANGE:
      desktopBrush_.reset(CreateSolidBrush(ToColorRef(kSysDesktop)));
      InvalidateRect(hwnd, nullptr, FALSE);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
      (void)window_.release();  // the system has destroyed it
      return DefWindowProcW(hwnd, msg, wp, lp);
    default:
      return DefWindowProcW(hwnd, msg, wp, lp);
  }
}

void Form1Window::OnPaint() {
  HWND hwnd = window_.get();
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  const int w = Scale(layout::kClientWidth);
  const int h = Scale(layout::kClientHeight);
  UniqueMemoryDc canvas(CreateCompatibleDC(dc));
  UniqueBitmap surface(CreateCompatibleBitmap(dc, w, h));
  {
    SelectedObject selectedSurface(canvas.get(), surface.get());
    UniqueMemoryDc picture(CreateCompatibleDC(dc));
    {
      SelectedObject selectedPicture(picture.get(), background_.get());
      BitBlt(canvas.get(), 0, 0, w, h, picture.get(), 0, 0, SRCCOPY);
    }
    SetBkMode(canvas.get(), TRANSPARENT);
    // Bottom of the stacking order first, so that what lies above is drawn over it.
    for (auto it = layout::kControls.rbegin(); it != layout::kControls.rend(); ++it) {
      const layout::ControlLayout& entry = *it;
      if (entry.kind == layout::Kind::Line) {
        const int thickness = std::max(1, Scale(1));
        RECT line{Scale(entry.box.x), Scale(entry.box.y), Scale(entry.box.x + entry.box.w),
                  Scale(entry.box.y) + thickness};
        UniqueBrush pen(CreateSolidBrush(ToColorRef(foreColors_[Index(entry.id)])));
        FillRect(canvas.get(), &line, pen.get());
      } else if (entry.kind == layout::Kind::Label) {
        const std::wstring text = Widen(captions_[Index(entry.id)]);
        if (text.empty()) continue;
        RECT box = LabelRect(entry.id);
        SelectedObject selectedFont(canvas.get(), FontOf(entry.id));
        SetTextColor(canvas.get(), ToColorRef(foreColors_[Index(entry.id)]));
        DrawTextW(canvas.get(), text.c_str(), static_cast<int>(text.size()), &box,
                  DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
      }
    }
    BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
           ps.rcPaint.bottom - ps.rcPaint.top, canvas.get(), ps.rcPaint.left, ps.rcPaint.top,
           SRCCOPY);
  }
  EndPaint(hwnd, &ps);
}

void Form1Window::OnTimer(UINT_PTR id) {
  // A tick already queued when its timer was switched off is not delivered.
  if (id < 1 || id > timerOn_.size() || !timerOn_[id - 1]) return;
  switch (id) {
    case kTimer1Id:
      RunEvent("Timer1_Timer", [this] { events_.Timer1_Timer(); });
      break;
    case kTimer2Id:
      RunEvent("Timer2_Timer", [this] { events_.Timer2_Timer(); });
      break;
    case kWktatsId:
      RunEvent("wktats_Timer", [this] { events_.wktats_Timer(); });
      break;
  }
}

void Form1Window::OnCommand(int id, int code) {
  switch (id) {
    case kCommand1Id:
      if (code == BN_CLICKED) RunEvent("Command1_Click", [this] { events_.Command1_Click(); });
      break;
    case kCommand2Id:
      if (code == BN_CLICKED) RunEvent("Command2_Click", [this] { events_.Command2_Click(); });
      break;
    case kText1Id:
      if (code == EN_SETFOCUS) RunEvent("Text1_GotFocus", [this] { events_.Text1_GotFocus(); });
      if (code == EN_KILLFOCUS) RunEvent("Text1_LostFocus", [this] { events_.Text1_LostFocus(); });
      break;
  }
}

void Form1Window::OnMouseDown(UINT msg, POINT at) {
  const layout::ControlLayout* label = LabelAt(at);
  if (!label) {
    RunEvent("Form_MouseDown", [this] { events_.Form_MouseDown(); });
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
    RunEvent("Label7_Click", [this] { events_.Label7_Click(); });
  }
}

void Form1Window::OnMouseMove(POINT at) {
  const layout::ControlLayout* label = LabelAt(at);
  if (!label) {
    RunEvent("Form_MouseMove", [this] { events_.Form_MouseMove(); });
  } else if (label->id == Control::Label7) {
    RunEvent("Label7_MouseMove", [this] { events_.Label7_MouseMove(); });
  }
}

LRESULT Form1Window::OnDrawItem(const DRAWITEMSTRUCT& item) {
  if (item.CtlID != kCombo1Id) return FALSE;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const bool field = (item.itemState & ODS_COMBOBOXEDIT) != 0;
  // The list's own colours; the highlight marks the chosen item, and the closed list only
  // while it has the focus.
  const bool highlight = selected && (!field || GetFocus() == combo1_);
  HBRUSH back = highlight ? GetSysColorBrush(COLOR_HIGHLIGHT) : desktopBrush_.get();
  FillRect(item.hDC, &item.rcItem, back);
  if (item.itemID != static_cast<UINT>(-1)) {
    const auto length = SendMessageW(combo1_, CB_GETLBTEXTLEN, item.itemID, 0);
    std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
    SendMessageW(combo1_, CB_GETLBTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(std::max<LRESULT>(length, 0)));
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, highlight ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                     : ToColorRef(foreColors_[Index(Control::Combo1)]));
    RECT r = item.rcItem;
    r.left += Scale(2);
    SelectedObject selectedFont(item.hDC, FontOf(Control::Combo1));
    DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &r,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  if ((item.itemState & ODS_FOCUS) && field) DrawFocusRect(item.hDC, &item.rcItem);
  return TRUE;
}

LRESULT Form1Window::OnCtlColorListBox(HDC dc) {
  SetTextColor(dc, ToColorRef(foreColors_[Index(Control::Combo1)]));
  SetBkColor(dc, ToColorRef(kSysDesktop));
  return reinterpret_cast<LRESULT>(desktopBrush_.get());
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

void Form1Window::OnDpiChanged(int dpi, const RECT& suggested) {
  ApplyDpi(dpi);
  SetWindowPos(window_.get(), nullptr, suggested.left, suggested.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// ---- FormControls ----

std::string Form1Window::Text(Control c) const {
  switch (c) {
    case Control::Form1: return Narrow(WindowText(window_.get()));
    case Control::Text1: return Narrow(WindowText(text1_));
    default:
      if (layout::Find(c) && layout::Find(c)->kind == layout::Kind::Label) return captions_[Index(c)];
      throw std::invalid_argument(std::string(ControlName(c)) + " has no text");
  }
}

void Form1Window::SetText(Control c, std::string_view text) {
  switch (c) {
    case Control::Form1:
      SetWindowTextW(window_.get(), Widen(text).c_str());
      return;
    case Control::Text1:
      SetWindowTextW(text1_, Widen(text).c_str());
      return;
    default:
      break;
  }
  if (!layout::Find(c) || layout::Find(c)->kind != layout::Kind::Label) {
    throw std::invalid_argument(std::string(ControlName(c)) + " has no caption");
  }
  // A self-sizing label may shrink: repaint its old box as well as its new one.
  const RECT before = LabelRect(c);
  captions_[Index(c)] = std::string(text);
  const RECT after = LabelRect(c);
  InvalidateRect(window_.get(), &before, FALSE);
  InvalidateRect(window_.get(), &after, FALSE);
}

void Form1Window::SetEnabled(Control c, bool enabled) {
  if (IsTimer(c)) {
    const UINT_PTR id = TimerIdOf(c);
    timerOn_[id - 1] = enabled;
    // Switching a timer on starts a full interval from now.
    if (enabled) {
      // A 1 ms timer wakes the program (and Wine's server) hundreds of times a second for
      // nothing: moves pin the window at once (WM_WINDOWPOSCHANGED), and this slow tick only
      // catches a place change the window was not told of.
      const UINT interval = c == Control::wktats ? 1000u : static_cast<UINT>(TimerLayoutOf(c).intervalMs);
      SetTimer(window_.get(), id, interval, nullptr);
    } else {
      KillTimer(window_.get(), id);
    }
    return;
  }
  HWND hwnd = ChildOf(c);
  if (!hwnd) throw std::invalid_argument(std::string(ControlName(c)) + " cannot be enabled");
  EnableWindow(hwnd, enabled ? TRUE : FALSE);
  // A control that loses the focus by being disabled hands it to the next one in tab order.
  if (!enabled) FocusFirstEnabledAfter(hwnd);
}

std::int16_t Form1Window::ListIndex(Control c) const {
  if (c != Control::Combo1) throw std::invalid_argument(std::string(ControlName(c)) + " has no list");
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

void Form1Window::SetTop(Control c, int top) {
  if (c != Control::Form1) throw std::invalid_argument(std::string(ControlName(c)) + " has no Top");
  RECT r{};
  GetWindowRect(window_.get(), &r);
  if (r.top == top) return;
  SetWindowPos(window_.get(), nullptr, r.left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form1Window::MsgBox(std::string_view prompt, int style, std::string_view title) {
  // While the window is still hidden (the welcome box) the box stands on its own, with its own
  // task-bar button, so that it cannot be lost behind other windows.
  HWND owner = IsWindowVisible(window_.get()) ? window_.get() : nullptr;
  MessageBoxW(owner, Widen(prompt).c_str(), Widen(title).c_str(),
              static_cast<UINT>(style) | (owner ? 0u : MB_SETFOREGROUND));
}

void Form1Window::ApplyColorKey() {
  HWND hwnd = window_.get();
  const COLORREF key = RGB(255, 255, 255);
  const LONG style = GetWindowLongA(hwnd, GWL_EXSTYLE);
  SetWindowLongA(hwnd, GWL_EXSTYLE, style | WS_EX_LAYERED);
  SetLayeredWindowAttributes(hwnd, key, 0, LWA_COLORKEY);
}

void Form1Window::BeginSystemMove() {
  ReleaseCapture();
  SendMessageA(window_.get(), WM_NCLBUTTONDOWN, HTCAPTION, 0);
}

void Form1Window::EndProgram() { ExitProcess(0); }

// ---- helpers ----

RECT Form1Window::ScaledRect(const layout::Rect& r) const {
  return {Scale(r.x), Scale(r.y), Scale(r.x + r.w), Scale(r.y + r.h)};
}

RECT Form1Window::LabelRect(Control label) const {
  const layout::ControlLayout* entry = layout::Find(label);
  RECT r = ScaledRect(entry->box);
  if (entry->autoSize) {
    // Grows to the right and downwards from its left and top edges.
    const SIZE size = MeasureText(ScreenDc().get(), FontOf(label), Widen(captions_[Index(label)]));
    r.right = r.left + size.cx;
    r.bottom = r.top + size.cy;
  }
  return r;
}

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

HFONT Form1Window::FontOf(Control c) const {
  const layout::ControlLayout* entry = layout::Find(c);
  const layout::Font& font = entry ? entry->font : layout::kWindowFont;
  for (const FontSlot& slot : fonts_) {
    if (SameFont(slot.font, font)) return slot.chosen.font.get();
  }
  return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

COLORREF Form1Window::ToColorRef(Color c) const {
  return IsSystemColor(c) ? GetSysColor(static_cast<int>(c & 0xFF)) : static_cast<COLORREF>(c);
}

}  // namespace orvane::win32
