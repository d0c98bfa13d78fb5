// orvane-probe: drives and reads Orvane.exe's window from outside, under Wine, for the
// end-to-end suite. Every argument is one step, its fields separated by '|'
// ("text|Form1|Orvane (30 - 0)"). Steps run in order; the first that fails ends the probe with
// exit code 1 and says why. Waiting steps poll, since posted clicks and ticks are handled later.
#include <windows.h>
#include <oleacc.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "form/layout.h"
#include "window/win32/fonts_win32.h"
#include "window/win32/handles_win32.h"
#include "form/renditions.h"
#include "window/win32/text_win32.h"

namespace {

using namespace orvane;
using orvane::win32::Narrow;

struct Failure : std::runtime_error {
  using std::runtime_error::runtime_error;
};

std::wstring Widen(const std::string& s) {
  if (s.empty()) return {};
  const int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), w.data(), n);
  return w;
}

std::vector<std::string> Split(const std::string& s, char sep) {
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (;;) {
    const std::size_t at = s.find(sep, start);
    parts.push_back(s.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) return parts;
    start = at + 1;
  }
}

// Polls until the check holds; on time-out fails with what the last look saw.
void WaitFor(const std::function<bool(std::string&)>& check, int timeoutMs = 5000) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  std::string seen;
  for (;;) {
    seen.clear();
    if (check(seen)) return;
    if (std::chrono::steady_clock::now() > end) throw Failure(seen);
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
  }
}

// A window's text, asked of its own thread; false when that thread does not answer in time.
bool TryTextOf(HWND hwnd, std::wstring& text, UINT timeoutMs = 3000) {
  wchar_t buffer[1024] = {};
  DWORD_PTR copied = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG,
                           timeoutMs, &copied)) {
    return false;
  }
  text.assign(buffer, copied);
  return true;
}

std::wstring TextOf(HWND hwnd) {
  std::wstring text;
  if (!TryTextOf(hwnd, text, 10000)) throw Failure("no answer to WM_GETTEXT");
  return text;
}

HWND Form() {
  HWND form = FindWindowW(L"OrvaneForm1", nullptr);
  if (!form) throw Failure("no window of class OrvaneForm1");
  return form;
}

HWND WaitForm() {
  HWND form = nullptr;
  WaitFor([&](std::string& seen) {
    form = FindWindowW(L"OrvaneForm1", nullptr);
    seen = "no window of class OrvaneForm1";
    return form != nullptr;
  }, 20000);
  return form;
}

const std::map<std::string, int> kChildIds{
    {"Text1", 101}, {"Combo1", 102}, {"Command1", 103}, {"Command2", 104}};

HWND Child(const std::string& name) {
  if (name == "Form1") return Form();
  const auto it = kChildIds.find(name);
  if (it == kChildIds.end()) throw std::invalid_argument("unknown control " + name);
  HWND hwnd = GetDlgItem(Form(), it->second);
  if (!hwnd) throw Failure("no child " + name);
  return hwnd;
}

int Number(const std::string& s) { return std::stoi(s); }

struct BoxSearch {
  std::wstring title;  // empty: any box
  HWND found = nullptr;
};

BOOL CALLBACK MatchBox(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<BoxSearch*>(lp);
  wchar_t cls[64] = {};
  GetClassNameW(hwnd, cls, 64);
  wchar_t text[256] = {};
  GetWindowTextW(hwnd, text, 256);
  if (std::wstring(cls) != L"#32770" || !IsWindowVisible(hwnd)) return TRUE;
  if (!s->title.empty() && (text != s->title || !GetDlgItem(hwnd, IDOK))) return TRUE;
  s->found = hwnd;
  return FALSE;
}

// The message box with this title, once its OK button exists.
HWND FindBox(const std::wstring& title) {
  BoxSearch search{title};
  EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

HWND AnyBox() {
  BoxSearch search{};
  EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The kind of icon a box shows, told by the colours of its picture on the screen.
std::string IconKind(HWND box) {
  HWND icon = nullptr;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
    wchar_t cls[32] = {};
    GetClassNameW(child, cls, 32);
    if (_wcsicmp(cls, L"Static") == 0 && (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON &&
        IsWindowVisible(child)) {
      icon = child;
    }
  }
  if (!icon) return "none";
  RECT r{};
  GetWindowRect(icon, &r);
  HDC screen = GetDC(nullptr);
  int yellow = 0, blue = 0, red = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      const COLORREF c = GetPixel(screen, x, y);
      const int R = GetRValue(c), G = GetGValue(c), B = GetBValue(c);
      if (R > 200 && G > 100 && B < 90) ++yellow;
      else if (B > 150 && R < 110) ++blue;
      else if (R > 170 && G < 90 && B < 90) ++red;
    }
  }
  ReleaseDC(nullptr, screen);
  if (yellow > blue && yellow > red) return "exclamation";
  if (blue > yellow && blue > red) return "information";
  if (red > 0) return "error";
  return "unknown (" + std::to_string(yellow) + "/" + std::to_string(blue) + "/" + std::to_string(red) + ")";
}

RECT ClientRectOf(HWND child) {
  RECT r{};
  GetWindowRect(child, &r);
  MapWindowPoints(nullptr, Form(), reinterpret_cast<POINT*>(&r), 2);
  return r;
}

std::string RectText(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
         std::to_string(r.bottom - r.top);
}

DWORD FormThread() { return GetWindowThreadProcessId(Form(), nullptr); }

HWND FocusedWindow() {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(FormThread(), &info);
  return info.hwndFocus;
}

LPARAM ClientPoint(const std::string& x, const std::string& y) {
  return MAKELPARAM(Number(x), Number(y));
}

// The program file behind the window, to read its picture from.
std::wstring ProgramFile() {
  DWORD pid = 0;
  GetWindowThreadProcessId(Form(), &pid);
  HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  if (!process) throw Failure("cannot open the program's process");
  wchar_t path[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  const BOOL ok = QueryFullProcessImageNameW(process, 0, path, &size);
  CloseHandle(process);
  if (!ok) throw Failure("cannot read the program's file name");
  return path;
}

const std::map<std::string, Control> kLabels{
    {"Label2", Control::Label2}, {"Label3", Control::Label3}, {"Label5", Control::Label5},
    {"Label6", Control::Label6}, {"Label7", Control::Label7}};

// Compares what the screen shows in a label's box with the program's own picture and the
// expected caption drawn over it in the label's font and the given colour. Only at 96 DPI.
// The box is widened to the right for the self-sizing labels, up to what lies beside them.
int LabelDifference(Control label, const std::wstring& caption, COLORREF colour, std::string& where) {
  const layout::ControlLayout* entry = layout::Find(label);
  RECT box{entry->box.x, entry->box.y, entry->box.x + entry->box.w, entry->box.y + entry->box.h};
  if (entry->autoSize) box.right = entry->box.x + 24;
  const int w = box.right - box.left, h = box.bottom - box.top;

  win32::ScreenDc screen;
  win32::UniqueMemoryDc shown(CreateCompatibleDC(screen.get()));
  win32::UniqueBitmap shownBits(CreateCompatibleBitmap(screen.get(), w, h));
  win32::SelectedObject s1(shown.get(), shownBits.get());
  POINT corner{box.left, box.top};
  ClientToScreen(Form(), &corner);
  BitBlt(shown.get(), 0, 0, w, h, screen.get(), corner.x, corner.y, SRCCOPY);

  HMODULE program = LoadLibraryExW(ProgramFile().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  if (!program) throw Failure("cannot load the program's resources");
  win32::UniqueBitmap picture(static_cast<HBITMAP>(
      LoadImageW(program, MAKEINTRESOURCEW(layout::kRenditions.front().resource), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  FreeLibrary(program);
  if (!picture) throw Failure("no picture in the program");
  win32::UniqueMemoryDc pictureDc(CreateCompatibleDC(screen.get()));
  win32::SelectedObject s2(pictureDc.get(), picture.get());
  win32::UniqueMemoryDc expected(CreateCompatibleDC(screen.get()));
  win32::UniqueBitmap expectedBits(CreateCompatibleBitmap(screen.get(), w, h));
  win32::SelectedObject s3(expected.get(), expectedBits.get());
  BitBlt(expected.get(), 0, 0, w, h, pictureDc.get(), box.left, box.top, SRCCOPY);
  const win32::ChosenFont font = win32::MakeLayoutFont(screen.get(), entry->font, 96);
  win32::SelectedObject s4(expected.get(), font.font.get());
  SetBkMode(expected.get(), TRANSPARENT);
  SetTextColor(expected.get(), colour);
  RECT text{0, 0, entry->autoSize ? w : entry->box.w, h};
  DrawTextW(expected.get(), caption.c_str(), static_cast<int>(caption.size()), &text,
            DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);

  int differences = 0;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const COLORREF a = GetPixel(shown.get(), x, y), b = GetPixel(expected.get(), x, y);
      // The white key shows what lies behind: compare only where the picture is not white.
      if (GetPixel(pictureDc.get(), box.left + x, box.top + y) == RGB(255, 255, 255) && b == RGB(255, 255, 255)) continue;
      if (a != b) {
        if (differences == 0) where = "first at +" + std::to_string(x) + "+" + std::to_string(y);
        ++differences;
      }
    }
  }
  return differences;
}

// What a screen reader is told about the window's client area and each of its elements, one
// "role|name|value|default action" a line, as the system's accessibility layer hands it over.
std::string AccText(IAccessible* acc, const VARIANT& id, HRESULT (STDMETHODCALLTYPE IAccessible::*get)(VARIANT, BSTR*)) {
  BSTR text = nullptr;
  std::string out;
  if (SUCCEEDED((acc->*get)(id, &text)) && text) out = Narrow(text);
  SysFreeString(text);
  return out;
}

std::string AccLine(IAccessible* acc, const VARIANT& id) {
  VARIANT role;
  VariantInit(&role);
  std::string roleText = "?";
  if (SUCCEEDED(acc->get_accRole(id, &role)) && role.vt == VT_I4) {
    wchar_t name[64] = {};
    GetRoleTextW(static_cast<DWORD>(role.lVal), name, 64);
    roleText = Narrow(name);
  }
  VariantClear(&role);
  return roleText + "|" + AccText(acc, id, &IAccessible::get_accName) + "|" +
         AccText(acc, id, &IAccessible::get_accValue) + "|" +
         AccText(acc, id, &IAccessible::get_accDefaultAction);
}

// Calls `each` with the object and child id of every element of the form's client area.
void ForEachAccessible(const std::function<void(IAccessible*, const VARIANT&)>& each) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IAccessible* form = nullptr;
  if (FAILED(AccessibleObjectFromWindow(Form(), static_cast<DWORD>(OBJID_CLIENT), __uuidof(IAccessible),
                                        reinterpret_cast<void**>(&form)))) {
    throw Failure("no accessible object for the window");
  }
  long count = 0;
  form->get_accChildCount(&count);
  std::vector<VARIANT> children(static_cast<std::size_t>(count));
  long got = 0;
  if (count > 0 && FAILED(AccessibleChildren(form, 0, count, children.data(), &got))) got = 0;
  for (long i = 0; i < got; ++i) {
    VARIANT& child = children[static_cast<std::size_t>(i)];
    IAccessible* own = nullptr;
    if (child.vt == VT_DISPATCH && child.pdispVal &&
        SUCCEEDED(child.pdispVal->QueryInterface(__uuidof(IAccessible), reinterpret_cast<void**>(&own)))) {
      VARIANT self;
      self.vt = VT_I4;
      self.lVal = CHILDID_SELF;
      each(own, self);
      own->Release();
    } else if (child.vt == VT_I4) {
      each(form, child);
    }
    VariantClear(&child);
  }
  form->Release();
}

// Live-region events from the program's process, as an out-of-context hook sees them: it is
// called from this thread's messages, so a step that expects events must pump them.
struct LiveEvent {
  HWND hwnd;
  LONG object;
  LONG child;
};
std::vector<LiveEvent> gLive;
constexpr DWORD kLiveRegionChanged = 0x8019;  // EVENT_OBJECT_LIVEREGIONCHANGED, Windows 8

void CALLBACK OnLiveEvent(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
  gLive.push_back({hwnd, object, child});
}

void PumpFor(int ms) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
  while (std::chrono::steady_clock::now() < end) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 30, QS_ALLINPUT);
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&msg);
  }
}

// The name a reader gets for the element an event names.
std::string EventName(const LiveEvent& e) {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  IAccessible* acc = nullptr;
  VARIANT child;
  VariantInit(&child);
  if (FAILED(AccessibleObjectFromEvent(e.hwnd, static_cast<DWORD>(e.object), static_cast<DWORD>(e.child), &acc,
                                       &child))) {
    return "(no element)";
  }
  std::string name = AccText(acc, child, &IAccessible::get_accName);
  VariantClear(&child);
  acc->Release();
  return name;
}

void Step(const std::vector<std::string>& f) {
  const std::string& op = f[0];
  const auto arg = [&](std::size_t i) -> const std::string& {
    if (i >= f.size()) throw std::invalid_argument(op + ": missing argument");
    return f[i];
  };

  if (op == "form-hidden") {  // created, not yet shown, not yet layered
    HWND form = WaitForm();
    if (IsWindowVisible(form)) throw Failure("the window is visible");
    if (GetWindowLongW(form, GWL_EXSTYLE) & WS_EX_LAYERED) throw Failure("already layered");
  } else if (op == "box") {  // box|title|text|icon
    const std::wstring title = Widen(arg(1));
    HWND box = nullptr;
    WaitFor([&](std::string& seen) {
      box = FindBox(title);
      HWND other = AnyBox();
      std::wstring otherTitle;
      seen = other && TryTextOf(other, otherTitle, 500) ? "a box titled '" + Narrow(otherTitle) + "'"
                                                         : "no message box";
      return box != nullptr;
    }, 30000);
    // A program that has just started may take its time to answer.
    std::wstring text;
    WaitFor([&](std::string& seen) {
      seen = "the box does not answer";
      return TryTextOf(GetDlgItem(box, 0xFFFF), text, 1000);
    }, 30000);
    if (Narrow(text) != arg(2)) throw Failure("text '" + Narrow(text) + "'");
    // The icon is read off the screen: with both cores busy the box may paint it seconds after
    // its text answers.
    std::string icon;
    WaitFor([&](std::string& seen) {
      icon = IconKind(box);
      seen = "icon " + icon;
      return icon == arg(3);
    }, 30000);
    for (int id : {IDCANCEL, IDYES, IDNO, IDRETRY, IDABORT, IDIGNORE}) {
      HWND button = GetDlgItem(box, id);
      if (button && IsWindowVisible(button)) throw Failure("a button besides OK: id " + std::to_string(id));
    }
  } else if (op == "dismiss") {  // dismiss|ok|close|escape: the open box
    HWND box = AnyBox();
    if (!box) throw Failure("no message box");
    if (arg(1) == "ok") {
      PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
    } else if (arg(1) == "close") {
      PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
    } else if (arg(1) == "escape") {
      PostMessageW(GetDlgItem(box, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
    } else {
      throw std::invalid_argument("dismiss how? " + arg(1));
    }
    WaitFor([&](std::string& seen) {
      seen = "the box is still open";
      return !IsWindow(box) || !IsWindowVisible(box);
    });
  } else if (op == "no-box") {
    HWND box = AnyBox();
    std::wstring title;
    if (box) throw Failure("a box is open: '" + (TryTextOf(box, title) ? Narrow(title) : "?") + "'");
  } else if (op == "visible") {
    WaitFor([&](std::string& seen) {
      seen = "the window is hidden";
      return IsWindowVisible(WaitForm()) != FALSE;
    });
  } else if (op == "visible-at-top") {  // shown, and at the top from the moment it is seen
    HWND form = WaitForm();
    WaitFor([&](std::string& seen) {
      seen = "the window is hidden";
      return IsWindowVisible(form) != FALSE;
    });
    RECT r{};
    GetWindowRect(form, &r);
    if (r.top != 0) throw Failure("first seen at " + RectText(r));
  } else if (op == "layered") {  // the white colour key, alone
    HWND form = Form();
    if (!(GetWindowLongW(form, GWL_EXSTYLE) & WS_EX_LAYERED)) throw Failure("not layered");
    COLORREF key = 0;
    BYTE alpha = 0;
    DWORD flags = 0;
    if (!GetLayeredWindowAttributes(form, &key, &alpha, &flags)) throw Failure("no layered attributes");
    if (key != RGB(255, 255, 255) || flags != LWA_COLORKEY) {
      throw Failure("key " + std::to_string(key) + " flags " + std::to_string(flags));
    }
  } else if (op == "styles") {  // frame, task bar, control styles
    HWND form = Form();
    const LONG style = GetWindowLongW(form, GWL_STYLE);
    const LONG ex = GetWindowLongW(form, GWL_EXSTYLE);
    if (!(style & WS_POPUP) || (style & (WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX))) {
      throw Failure("window style " + std::to_string(style));
    }
    if (!(ex & WS_EX_APPWINDOW) || (ex & WS_EX_TOOLWINDOW)) throw Failure("no task-bar button");
    if (!(GetWindowLongW(Child("Text1"), GWL_EXSTYLE) & WS_EX_CLIENTEDGE)) throw Failure("Text1 not sunken");
    if ((GetWindowLongW(Child("Combo1"), GWL_STYLE) & 3) != CBS_DROPDOWNLIST) throw Failure("Combo1 can be typed in");
    for (const char* b : {"Command1", "Command2"}) {
      if ((GetWindowLongW(Child(b), GWL_STYLE) & BS_TYPEMASK) != BS_PUSHBUTTON) {
        throw Failure(std::string(b) + " is a default button");
      }
    }
  } else if (op == "window") {  // window|x or center|y|w|h
    WaitFor([&](std::string& seen) {
      RECT r{};
      GetWindowRect(Form(), &r);
      const int w = Number(arg(3)), h = Number(arg(4));
      const int x = arg(1) == "center" ? (GetSystemMetrics(SM_CXSCREEN) - w) / 2 : Number(arg(1));
      seen = "window at " + RectText(r) + ", screen " + std::to_string(GetSystemMetrics(SM_CXSCREEN));
      return r.left == x && r.top == Number(arg(2)) && r.right - r.left == w && r.bottom - r.top == h;
    }, 3000);
  } else if (op == "place") {  // place|name|x|y|w|h, from the client area's corner
    const RECT r = ClientRectOf(Child(arg(1)));
    const RECT want{Number(arg(2)), Number(arg(3)), Number(arg(2)) + Number(arg(4)), Number(arg(3)) + Number(arg(5))};
    if (!EqualRect(&r, &want)) throw Failure(arg(1) + " at " + RectText(r));
  } else if (op == "text") {  // text|name|expected
    HWND hwnd = Child(arg(1));
    const std::string want = f.size() > 2 ? f[2] : "";
    WaitFor([&](std::string& seen) {
      std::wstring text;
      if (!TryTextOf(hwnd, text)) {
        seen = arg(1) + " does not answer";
        return false;
      }
      seen = arg(1) + " reads '" + Narrow(text) + "'";
      return Narrow(text) == want;
    }, 5000);
  } else if (op == "enabled") {  // enabled|name|1 or 0
    HWND hwnd = Child(arg(1));
    WaitFor([&](std::string& seen) {
      const bool on = IsWindowEnabled(hwnd) != FALSE;
      seen = arg(1) + (on ? " is enabled" : " is disabled");
      return on == (arg(2) == "1");
    }, 4000);
  } else if (op == "items") {  // items|a,b,c
    HWND combo = Child("Combo1");
    std::string got;
    const LRESULT n = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
      wchar_t item[128] = {};
      SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
      got += (i ? "," : "") + Narrow(item);
    }
    if (got != arg(1)) throw Failure("items " + got);
  } else if (op == "listindex") {
    HWND combo = Child("Combo1");
    WaitFor([&](std::string& seen) {
      const LRESULT i = SendMessageW(combo, CB_GETCURSEL, 0, 0);
      seen = "index " + std::to_string(i);
      return i == Number(arg(1));
    }, 3000);
  } else if (op == "select") {
    SendMessageW(Child("Combo1"), CB_SETCURSEL, static_cast<WPARAM>(Number(arg(1))), 0);
  } else if (op == "settext") {  // settext|name|text
    const std::wstring text = Widen(f.size() > 2 ? f[2] : "");
    DWORD_PTR result = 0;
    SendMessageTimeoutW(Child(arg(1)), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                        SMTO_ABORTIFHUNG, 3000, &result);
  } else if (op == "click") {
    PostMessageW(Child(arg(1)), BM_CLICK, 0, 0);
  } else if (op == "tick") {  // tick|timer id|count
    for (int i = 0; i < Number(arg(2)); ++i) {
      PostMessageW(Form(), WM_TIMER, static_cast<WPARAM>(Number(arg(1))), 0);
    }
  } else if (op == "focus") {  // focus|name
    HWND want = Child(arg(1));
    WaitFor([&](std::string& seen) {
      HWND focus = FocusedWindow();
      seen = "focus on " + std::to_string(reinterpret_cast<std::uintptr_t>(focus));
      for (const auto& [name, id] : kChildIds) {
        if (focus == GetDlgItem(Form(), id) || IsChild(GetDlgItem(Form(), id), focus)) seen = "focus on " + name;
      }
      return focus == want || IsChild(want, focus);
    }, 3000);
  } else if (op == "tab") {  // the Tab key, to whatever has the focus
    HWND focus = FocusedWindow();
    if (!focus) throw Failure("nothing has the focus");
    PostMessageW(focus, WM_KEYDOWN, VK_TAB, 0x000F0001);
    PostMessageW(focus, WM_KEYUP, VK_TAB, static_cast<LPARAM>(0xC00F0001u));
  } else if (op == "enter") {  // the Enter key, to whatever has the focus
    HWND focus = FocusedWindow();
    if (!focus) throw Failure("nothing has the focus");
    PostMessageW(focus, WM_KEYDOWN, VK_RETURN, 0x001C0001);
    PostMessageW(focus, WM_KEYUP, VK_RETURN, static_cast<LPARAM>(0xC01C0001u));
  } else if (op == "end-session") {  // end-session|1 or 0|lParam in hex: the system asks, then
    // ends the session (1) or calls the end off (0); lParam 1 is the Restart Manager's close
    const LPARAM why = static_cast<LPARAM>(std::stoul(arg(2), nullptr, 16));
    DWORD_PTR answer = 0;
    if (!SendMessageTimeoutW(Form(), WM_QUERYENDSESSION, 0, why, SMTO_ABORTIFHUNG, 5000, &answer)) {
      throw Failure("no answer to WM_QUERYENDSESSION");
    }
    if (answer != TRUE) throw Failure("the session's end refused");
    // The program may end before it answers.
    SendMessageTimeoutW(Form(), WM_ENDSESSION, arg(1) == "1", why, SMTO_ABORTIFHUNG, 5000, &answer);
  } else if (op == "fault") {  // orvane-fault.dll, injected, faults now
    HANDLE asked = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"Local\\OrvaneFault");
    if (!asked) throw Failure("no fault DLL waits in the program");
    SetEvent(asked);
    CloseHandle(asked);
  } else if (op == "count") {  // count|form or box|N: so many Orvane windows (shown or not) or boxes
    const bool forms = arg(1) == "form";
    int n = 0;
    for (HWND hwnd = GetTopWindow(nullptr); hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT)) {
      wchar_t cls[64] = {};
      GetClassNameW(hwnd, cls, 64);
      if (forms ? std::wstring(cls) == L"OrvaneForm1" : std::wstring(cls) == L"#32770" && IsWindowVisible(hwnd)) ++n;
    }
    if (n != Number(arg(2))) throw Failure(std::to_string(n) + " " + arg(1) + " windows");
  } else if (op == "front") {  // front|form, box or a class: that window is the foreground one,
    // not minimised
    const std::wstring want = arg(1) == "form" ? L"OrvaneForm1" : arg(1) == "box" ? L"#32770" : Widen(arg(1));
    WaitFor([&](std::string& seen) {
      HWND front = GetForegroundWindow();
      wchar_t cls[64] = {};
      GetClassNameW(front, cls, 64);
      seen = "in front: " + Narrow(cls) + (front && IsIconic(front) ? ", minimised" : "");
      return !IsIconic(front) && _wcsicmp(cls, want.c_str()) == 0;
    });
  } else if (op == "minimise") {
    HWND form = Form();
    ShowWindow(form, SW_MINIMIZE);
    WaitFor([&](std::string& seen) {
      seen = "not minimised";
      return IsIconic(form) != FALSE;
    });
  } else if (op == "crash") {  // a message the window cannot survive: a scale change without its place
    if (!PostMessageW(Form(), WM_DPICHANGED, MAKEWPARAM(96, 96), 0)) {
      throw Failure("cannot post WM_DPICHANGED: error " + std::to_string(GetLastError()));
    }
  } else if (op == "tab-to") {  // tab-to|name: Tab until the focus is there, at most once round
    HWND want = Child(arg(1));
    for (int i = 0; i <= 4; ++i) {
      HWND focus = FocusedWindow();
      if (focus == want || IsChild(want, focus)) return;
      if (!focus) throw Failure("nothing has the focus");
      PostMessageW(focus, WM_KEYDOWN, VK_TAB, 0x000F0001);
      PostMessageW(focus, WM_KEYUP, VK_TAB, static_cast<LPARAM>(0xC00F0001u));
      WaitFor([&](std::string& seen) {
        seen = "the focus did not move";
        return FocusedWindow() != focus;
      }, 3000);
    }
    throw Failure("Tab never reached " + arg(1));
  } else if (op == "mouse") {  // mouse|down,rdown,mdown,up,move|x|y, on the window's surface
    static const std::map<std::string, std::pair<UINT, WPARAM>> kMessages{
        {"down", {WM_LBUTTONDOWN, MK_LBUTTON}}, {"rdown", {WM_RBUTTONDOWN, MK_RBUTTON}},
        {"mdown", {WM_MBUTTONDOWN, MK_MBUTTON}}, {"up", {WM_LBUTTONUP, 0}}, {"move", {WM_MOUSEMOVE, 0}}};
    const auto& m = kMessages.at(arg(1));
    PostMessageW(Form(), m.first, m.second, ClientPoint(arg(2), arg(3)));
  } else if (op == "unkey") {  // takes the colour key off: the window shows all that it draws
    HWND form = Form();
    SetWindowLongW(form, GWL_EXSTYLE, GetWindowLongW(form, GWL_EXSTYLE) & ~WS_EX_LAYERED);
    RedrawWindow(form, nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
  } else if (op == "moveto") {  // moveto|x|y: the window, as another program would move it
    SetWindowPos(Form(), nullptr, Number(arg(1)), Number(arg(2)), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  } else if (op == "pointer") {  // pointer|x|y: the mouse pointer to a point of the client area
    POINT p{Number(arg(1)), Number(arg(2))};
    ClientToScreen(Form(), &p);
    SetCursorPos(p.x, p.y);
  } else if (op == "tooltip") {  // tooltip|text: a tooltip with this text is showing
    WaitFor([&](std::string& seen) {
      seen = "no tooltip showing";
      for (HWND tip = FindWindowW(L"tooltips_class32", nullptr); tip;
           tip = FindWindowExW(nullptr, tip, L"tooltips_class32", nullptr)) {
        std::wstring text;
        if (!IsWindowVisible(tip) || !TryTextOf(tip, text)) continue;
        seen = "tooltip '" + Narrow(text) + "'";
        if (Narrow(text) == arg(1)) return true;
      }
      return false;
    }, 6000);
  } else if (op == "label") {  // label|name|caption|black or red: what the label's box shows
    const Control label = kLabels.at(arg(1));
    const std::wstring caption = Widen(f.size() > 2 ? f[2] : "");
    const COLORREF colour = f.size() > 3 && f[3] == "red" ? RGB(255, 0, 0) : RGB(0, 0, 0);
    WaitFor([&](std::string& seen) {
      std::string where;
      const int n = LabelDifference(label, caption, colour, where);
      seen = std::to_string(n) + " pixels differ, " + where;
      return n == 0;
    }, 4000);
  } else if (op == "fonts-fit") {  // every label's caption inside its box in the font in use
    win32::ScreenDc screen;
    for (const layout::ControlLayout& entry : layout::kControls) {
      if (entry.kind != layout::Kind::Label || entry.text.empty()) continue;
      const win32::ChosenFont font = win32::MakeLayoutFont(screen.get(), entry.font, 96);
      const SIZE size = win32::MeasureText(screen.get(), font.font.get(), Widen(std::string(entry.text)));
      std::printf("%s: %s as %s%s, %ldx%ld in %dx%d\n", std::string(ControlName(entry.id)).c_str(),
                  std::string(entry.font.face).c_str(), Narrow(font.face).c_str(),
                  font.substituted ? " (substitute)" : "", size.cx, size.cy, entry.box.w, entry.box.h);
      if (size.cx > entry.box.w || size.cy > entry.box.h) {
        throw Failure(std::string(ControlName(entry.id)) + " does not fit its box");
      }
    }
  } else if (op == "warm-up") {  // shows and closes a window: Wine starts its desktop process
    HWND hwnd = CreateWindowExW(0, L"STATIC", L"warm-up", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    if (!hwnd) throw Failure("no window");
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    UpdateWindow(hwnd);
    DestroyWindow(hwnd);
  } else if (op == "idle-window") {  // a plain window that waits for messages until it is ended:
    // what any idle window costs under Wine, for the bench
    HWND hwnd = CreateWindowExW(0, L"STATIC", L"idle", WS_OVERLAPPEDWINDOW, 0, 0, 335, 265, nullptr,
                                nullptr, nullptr, nullptr);
    if (!hwnd) throw Failure("no window");
    ShowWindow(hwnd, SW_SHOWNOACTIVATE);
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) DispatchMessageW(&msg);
  } else if (op == "accessible") {  // accessible|role|name|value|action: an element says so
    const std::string want = arg(1) + "|" + arg(2) + "|" + arg(3) + "|" + arg(4);
    WaitFor([&](std::string& seen) {
      seen = "the elements are:";
      bool found = false;
      ForEachAccessible([&](IAccessible* acc, const VARIANT& id) {
        const std::string line = AccLine(acc, id);
        seen += "\n  " + line;
        found = found || line == want;
      });
      return found;
    });
  } else if (op == "accessibles") {  // prints every element, for people
    ForEachAccessible([](IAccessible* acc, const VARIANT& id) { std::printf("%s\n", AccLine(acc, id).c_str()); });
    // and each child window's own object, as a reader gets it when the focus comes there
    for (const auto& [name, id] : kChildIds) {
      IAccessible* acc = nullptr;
      if (FAILED(AccessibleObjectFromWindow(Child(name), static_cast<DWORD>(OBJID_CLIENT),
                                            __uuidof(IAccessible), reinterpret_cast<void**>(&acc)))) {
        continue;
      }
      VARIANT self;
      self.vt = VT_I4;
      self.lVal = CHILDID_SELF;
      std::printf("%s: %s\n", name.c_str(), AccLine(acc, self).c_str());
      acc->Release();
    }
  } else if (op == "listen") {  // from here on, the live-region events of the program are kept
    DWORD pid = 0;
    GetWindowThreadProcessId(Form(), &pid);
    if (!SetWinEventHook(kLiveRegionChanged, kLiveRegionChanged, nullptr, OnLiveEvent, pid, 0,
                         WINEVENT_OUTOFCONTEXT)) {
      throw Failure("no event hook: error " + std::to_string(GetLastError()));
    }
  } else if (op == "live") {  // live|N|name: N live-region events since the last look, each on
    // the window's client area for the element of that name
    const std::size_t want = static_cast<std::size_t>(Number(arg(1)));
    for (int waited = 0; gLive.size() < want && waited < 5000; waited += 100) PumpFor(100);
    PumpFor(500);  // any event beyond those
    std::string seen;
    bool right = gLive.size() == want;
    for (const LiveEvent& e : gLive) {
      const std::string name = EventName(e);
      seen += "\n  " + std::string(e.hwnd == Form() ? "the window" : "another window") + ", object " +
              std::to_string(e.object) + ", child " + std::to_string(e.child) + ": '" + name + "'";
      right = right && e.hwnd == Form() && e.object == OBJID_CLIENT && name == arg(2);
    }
    gLive.clear();
    if (!right) throw Failure(std::to_string(want) + " events wanted, seen:" + seen);
  } else if (op == "press") {  // press|name: a screen reader's default action on that element
    bool pressed = false;
    ForEachAccessible([&](IAccessible* acc, const VARIANT& id) {
      if (!pressed && AccText(acc, id, &IAccessible::get_accName) == arg(1)) {
        pressed = SUCCEEDED(acc->accDoDefaultAction(id));
      }
    });
    if (!pressed) throw Failure("no element named " + arg(1) + " took its default action");
  } else if (op == "alt-f4") {  // Alt+F4 typed on the keyboard, the window in front
    HWND form = Form();
    SetForegroundWindow(form);
    WaitFor([&](std::string& seen) {
      seen = "the window is not in front";
      return GetForegroundWindow() == form;
    });
    INPUT keys[4] = {};
    const WORD codes[4] = {VK_MENU, VK_F4, VK_F4, VK_MENU};
    for (int i = 0; i < 4; ++i) {
      keys[i].type = INPUT_KEYBOARD;
      keys[i].ki.wVk = codes[i];
      keys[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
    }
    if (SendInput(4, keys, sizeof(INPUT)) != 4) throw Failure("SendInput refused the keys");
  } else if (op == "sleep") {
    std::this_thread::sleep_for(std::chrono::milliseconds(Number(arg(1))));
  } else if (op == "gone") {  // the program has ended
    WaitFor([&](std::string& seen) {
      seen = "the window is still there";
      return FindWindowW(L"OrvaneForm1", nullptr) == nullptr;
    }, 10000);
  } else if (op == "report") {  // report: prints the window's state, for people
    HWND form = Form();
    RECT r{};
    GetWindowRect(form, &r);
    std::printf("window %s caption '%s'\n", RectText(r).c_str(), Narrow(TextOf(form)).c_str());
    for (const auto& [name, id] : kChildIds) {
      HWND c = GetDlgItem(form, id);
      std::printf("%s %s '%s' %s\n", name.c_str(), RectText(ClientRectOf(c)).c_str(), Narrow(TextOf(c)).c_str(),
                  IsWindowEnabled(c) ? "enabled" : "disabled");
    }
  } else {
    throw std::invalid_argument("unknown step " + op);
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string step = Narrow(argv[i]);
    try {
      Step(Split(step, '|'));
    } catch (const Failure& e) {
      std::printf("FAIL %s: %s\n", step.c_str(), e.what());
      std::fflush(stdout);
      return 1;
    } catch (const std::exception& e) {
      std::printf("ERROR %s: %s\n", step.c_str(), e.what());
      std::fflush(stdout);
      return 2;
    }
  }
  return 0;
}
