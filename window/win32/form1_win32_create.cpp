#include "window/win32/form1_win32.h"

#include <commctrl.h>

#include <stdexcept>

#include "window/win32/resource_ids.h"
#include "window/win32/system_win32.h"
#include "window/win32/text_win32.h"

namespace orvane::win32 {
namespace {

using GetDpiForWindowFn = UINT(WINAPI*)(HWND);

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

}  // namespace

Form1Window::Form1Window(HINSTANCE instance, PowerPlatform& platform, SleepHold& hold)
    : instance_(instance), events_(*this, platform, hold) {
  for (const layout::ControlLayout& entry : layout::kControls) {
    captions_[Index(entry.id)] = std::string(entry.text);
    foreColors_[Index(entry.id)] = entry.fore;
  }
}

Form1Window::~Form1Window() {
  // The window dies first, with the default procedure and without the field's subclass, while
  // the fonts, brushes and pictures it may still paint with are alive.
  if (text1_) RemoveWindowSubclass(text1_, Text1FocusProc, 1);
  if (window_) {
    SetWindowLongPtrW(window_.get(), GWLP_USERDATA, 0);
    window_.reset();
  }
}

std::unique_ptr<Form1Window> Form1Window::Create(HINSTANCE instance, PowerPlatform& platform,
                                                 SleepHold& hold) {
  std::unique_ptr<Form1Window> form(new Form1Window(instance, platform, hold));
  form->uxtheme_ = LoadSystemLibrary(L"uxtheme.dll");
  if (form->uxtheme_) {
    form->setWindowTheme_ = reinterpret_cast<SetWindowThemeFn>(reinterpret_cast<void (*)()>(
        GetProcAddress(form->uxtheme_.get(), "SetWindowTheme")));
  }

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

  form->desktopBrush_.reset(CreateSolidBrush(form->ToColorRef(kSysDesktop)));

  form->CreateControls();
  form->ApplyDpi(DpiOf(hwnd));
  form->CenterOnScreen();
  for (const layout::TimerLayout& t : layout::kTimers) form->SetEnabled(t.id, t.enabledAtCreation);
  Form1Window* self = form.get();
  form->access_ = std::make_unique<Form1Access>(
      hwnd, form->text1_, form->combo1_,
      DrawnElements{[self](Control c) { return self->LabelRect(c); },
                    [self](Control c) { return self->captions_[Index(c)]; },
                    [hwnd](Control c) { PostMessageW(hwnd, kAccessPressMessage, static_cast<WPARAM>(c), 0); }});
  return form;
}

void Form1Window::CreateControls() {
  HWND form = window_.get();
  const auto child = [&](DWORD exStyle, const wchar_t* cls, Control c, DWORD style, int id) {
    const std::wstring text = Widen(layout::Find(c)->text);
    // Siblings clip each other, so that where Stop overlaps Start the one above always wins,
    // whichever repaints last.
    HWND hwnd = CreateWindowExW(exStyle, cls, text.c_str(),
                                WS_CHILD | WS_VISIBLE | WS_TABSTOP | WS_CLIPSIBLINGS | style,
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
  UseClassicLook(text1_);
  UseClassicLook(command1_);
  UseClassicLook(command2_);

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
  for (const layout::ControlLayout& entry : layout::kControls) {
    HWND hwnd = ChildOf(entry.id);
    if (!tooltip_ || !hwnd || entry.tooltip.empty()) continue;
    std::wstring text = Widen(entry.tooltip);  // the tooltip keeps a copy
    TOOLINFOW tool{};
    tool.cbSize = sizeof tool;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = form;
    tool.uId = reinterpret_cast<UINT_PTR>(hwnd);
    tool.lpszText = text.data();
    SendMessageW(tooltip_, TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&tool));
  }
  SetWindowSubclass(text1_, Text1FocusProc, 1, reinterpret_cast<DWORD_PTR>(this));
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

// Classic drawing: the buttons' faces in the system button-face colour under every visual style
// (a style that paints faces pure white would make the colour key cut the buttons out), and the
// minutes field's sunken 3-D border instead of a style's flat one. uxtheme is looked up, as
// systems before XP lack it.
void Form1Window::UseClassicLook(HWND control) {
  if (setWindowTheme_) setWindowTheme_(control, L" ", L" ");  // no such theme: classic
}

// Centred across, and already at the top where the pin holds it, so that Form_Load's pin has
// nothing to move while the window is hidden: under Wine a layered window moved while hidden was
// now and then reported at one place and drawn at another.
void Form1Window::CenterOnScreen() {
  const RECT screen = MonitorArea(MONITOR_DEFAULTTOPRIMARY);
  const int w = Scale(layout::kClientWidth);
  placed_ = {screen.left + (screen.right - screen.left - w) / 2, screen.top};
  SetWindowPos(window_.get(), nullptr, placed_.x, placed_.y, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Form1Window::OnDpiChanged(int dpi, const RECT& suggested) {
  ApplyDpi(dpi);
  SetWindowPos(window_.get(), nullptr, suggested.left, suggested.top, 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

}  // namespace orvane::win32
