// orvane-probe: drives and reads Orvane.exe's window from outside, under Wine or on Windows, for
// the end-to-end and robustness suites and the bench. Every argument is one step, its fields
// separated by '|' ("text|Form1|Orvane (30 - 0)"); the first field is a verb of the table below.
// Steps run in order; the first that fails ends the probe with exit code 1 and says why, one it
// cannot read ends it with 2. Waiting steps poll, since posted clicks and ticks are handled later.
#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "form/layout.h"
#include "form/renditions.h"
#include "window/win32/fonts_win32.h"
#include "window/win32/handles_win32.h"
#include "window/win32/text_win32.h"

namespace {

using namespace orvane;
using orvane::win32::Narrow, orvane::win32::Widen;
using Clock = std::chrono::steady_clock;

struct Failure : std::runtime_error { using std::runtime_error::runtime_error; };

[[noreturn]] void FailWithError(const std::string& what) {
  throw Failure(what + ": error " + std::to_string(GetLastError()));
}

// A step's fields, [0] its verb. A missing field is a mistake in the step, not a failure.
struct Args {
  std::vector<std::string> f;
  const std::string& operator[](std::size_t i) const {
    if (i >= f.size()) throw std::invalid_argument(f[0] + ": missing argument");
    return f[i];
  }
  std::string Or(std::size_t i) const { return i < f.size() ? f[i] : std::string(); }
  int Int(std::size_t i) const { return std::stoi((*this)[i]); }
};

void Pause(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

// Polls until the check holds; on time-out fails with what the last look saw.
void WaitFor(const std::function<bool(std::string&)>& check, int timeoutMs = 5000) {
  const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (std::string seen;; seen.clear()) {
    if (check(seen)) return;
    if (Clock::now() > end) throw Failure(seen);
    Pause(30);
  }
}

// The same for a check that sees nothing worth telling: `unless` is what fails.
void Until(const std::string& unless, const std::function<bool()>& holds, int timeoutMs = 5000) {
  WaitFor([&](std::string& seen) { return seen = unless, holds(); }, timeoutMs);
}

// The same for a reading to compare: fails with the last one.
void Expect(const std::function<std::string()>& read, const std::string& want, int timeoutMs = 5000) {
  WaitFor([&](std::string& seen) { return (seen = read()) == want; }, timeoutMs);
}

// A window's text, asked of its own thread; none when that thread does not answer in time.
std::optional<std::string> TextOf(HWND hwnd, UINT timeoutMs = 3000) {
  wchar_t text[1024] = {};
  DWORD_PTR n = 0;
  if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, 1024, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG, timeoutMs, &n)) {
    return std::nullopt;
  }
  return Narrow(std::wstring_view(text, n));
}

// The top-level windows of a class, shown or not, front to back.
std::vector<HWND> TopWindows(const std::wstring& cls) {
  std::vector<HWND> found;
  for (HWND h = nullptr; (h = FindWindowExW(nullptr, h, cls.c_str(), nullptr));) found.push_back(h);
  return found;
}

HWND Form(int waitMs = 0) {
  HWND form = nullptr;
  Until("no window of class OrvaneForm1", [&] { return (form = FindWindowW(L"OrvaneForm1", nullptr)) != nullptr; }, waitMs);
  return form;
}

DWORD FormPid() {
  DWORD pid = 0;
  GetWindowThreadProcessId(Form(), &pid);
  return pid;
}

const std::map<std::string, int> kChildIds{{"Text1", 101}, {"Combo1", 102}, {"Command1", 103}, {"Command2", 104}};

HWND Child(const std::string& name) {
  if (name == "Form1") return Form();
  const auto it = kChildIds.find(name);
  if (it == kChildIds.end()) throw std::invalid_argument("unknown control " + name);
  HWND hwnd = GetDlgItem(Form(), it->second);
  if (!hwnd) throw Failure("no child " + name);
  return hwnd;
}

// The first visible window of a class, by default a message box. Asked by title, only a whole box
// (its OK button made) with that title.
HWND FirstShown(const std::wstring& title = {}, const std::wstring& cls = L"#32770") {
  for (HWND box : TopWindows(cls)) {
    wchar_t text[256] = {};
    GetWindowTextW(box, text, 256);
    if (IsWindowVisible(box) && (title.empty() || (text == title && GetDlgItem(box, IDOK)))) return box;
  }
  return nullptr;
}

// The text matches the pattern, whose '*' stands for any run of characters (the system's own words,
// which differ from one Windows to another and from Wine's).
bool Matches(std::string_view text, std::string_view pattern) {
  const std::size_t star = pattern.find('*');
  if (star == std::string_view::npos) return text == pattern;
  if (text.substr(0, star) != pattern.substr(0, star)) return false;
  for (std::size_t at = star; at <= text.size(); ++at) {
    if (Matches(text.substr(at), pattern.substr(star + 1))) return true;
  }
  return false;
}

// The kind of icon a box shows, told by the colours of its picture on the screen.
std::string IconKind(HWND box) {
  HWND icon = nullptr;
  for (HWND c = nullptr; (c = FindWindowExW(box, c, L"Static", nullptr));) {
    if ((GetWindowLongW(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && IsWindowVisible(c)) icon = c;
  }
  if (!icon) return "none";
  RECT r{};
  GetWindowRect(icon, &r);
  win32::ScreenDc screen;
  int yellow = 0, blue = 0, red = 0;
  for (int y = r.top; y < r.bottom; ++y) {
    for (int x = r.left; x < r.right; ++x) {
      const COLORREF c = GetPixel(screen.get(), x, y);
      const int R = GetRValue(c), G = GetGValue(c), B = GetBValue(c);
      if (R > 200 && G > 100 && B < 90) ++yellow;
      else if (B > 150 && R < 110) ++blue;
      else if (R > 170 && G < 90 && B < 90) ++red;
    }
  }
  if (yellow > blue && yellow > red) return "exclamation";
  if (blue > yellow && blue > red) return "information";
  if (red > 0) return "error";
  return "unknown (" + std::to_string(yellow) + "/" + std::to_string(blue) + "/" + std::to_string(red) + ")";
}

std::string RectText(const RECT& r) {
  return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
         std::to_string(r.bottom - r.top);
}

// A point of the window's client area, on the screen.
POINT OnScreen(int x, int y) {
  POINT p{x, y};
  ClientToScreen(Form(), &p);
  return p;
}

HWND FocusedWindow() {
  GUITHREADINFO info{};
  info.cbSize = sizeof info;
  GetGUIThreadInfo(GetWindowThreadProcessId(Form(), nullptr), &info);
  return info.hwndFocus;
}

// A key typed to whatever has the focus, as the keyboard would post it.
void PressOnFocus(WPARAM key, UINT scanCode) {
  HWND focus = FocusedWindow();
  if (!focus) throw Failure("nothing has the focus");
  const UINT bits = 1u | scanCode << 16;
  PostMessageW(focus, WM_KEYDOWN, key, static_cast<LPARAM>(bits));
  PostMessageW(focus, WM_KEYUP, key, static_cast<LPARAM>(bits | 0xC0000000u));
}

// How many pixels (the first where) of a label's box on the screen differ from the program's own
// picture with the caption drawn over it in the label's font and colour; nothing when none does.
// Only at 96 DPI. The self-sizing labels' box is widened to the right, up to what lies beside them.
std::string LabelDifference(const std::string& name, const std::wstring& caption, COLORREF colour) {
  const auto entry = std::ranges::find(layout::kControls, name, [](auto& c) { return ControlName(c.id); });
  if (entry == layout::kControls.end()) throw std::invalid_argument("no control " + name);
  RECT box{entry->box.x, entry->box.y, entry->box.x + entry->box.w, entry->box.y + entry->box.h};
  if (entry->autoSize) box.right = entry->box.x + 24;
  const int w = box.right - box.left, h = box.bottom - box.top;

  win32::ScreenDc screen;
  win32::UniqueMemoryDc shown(CreateCompatibleDC(screen.get()));
  win32::UniqueBitmap shownBits(CreateCompatibleBitmap(screen.get(), w, h));
  win32::SelectedObject s1(shown.get(), shownBits.get());
  const POINT corner = OnScreen(box.left, box.top);
  BitBlt(shown.get(), 0, 0, w, h, screen.get(), corner.x, corner.y, SRCCOPY);

  // The program file behind the window, to read its picture from.
  const std::unique_ptr<void, decltype(&CloseHandle)> process(
      OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, FormPid()), &CloseHandle);
  wchar_t path[MAX_PATH] = {};
  DWORD size = MAX_PATH;
  if (!process || !QueryFullProcessImageNameW(process.get(), 0, path, &size)) {
    FailWithError("cannot read the program's file name");
  }
  const win32::UniqueModule program(
      LoadLibraryExW(path, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE));
  if (!program) throw Failure("cannot load the program's resources");
  win32::UniqueBitmap picture(static_cast<HBITMAP>(LoadImageW(
      program.get(), MAKEINTRESOURCEW(layout::kRenditions.front().resource), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
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
  std::string where;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const COLORREF a = GetPixel(shown.get(), x, y), b = GetPixel(expected.get(), x, y);
      // The white key shows what lies behind: compare only where the picture is not white.
      const bool key = GetPixel(pictureDc.get(), box.left + x, box.top + y) == RGB(255, 255, 255);
      if ((key && b == RGB(255, 255, 255)) || a == b) continue;
      if (differences++ == 0) where = "first at +" + std::to_string(x) + "+" + std::to_string(y);
    }
  }
  return differences ? std::to_string(differences) + " pixels differ, " + where : "";
}

// What a screen reader is told about the window's client area and each of its elements, one
// "role|name|value|default action" a line, as the system's accessibility layer hands it over.
using AccGetter = HRESULT (STDMETHODCALLTYPE IAccessible::*)(VARIANT, BSTR*);

std::string AccText(IAccessible* acc, const VARIANT& id, AccGetter get) {
  BSTR text = nullptr;
  std::string out;
  if (SUCCEEDED((acc->*get)(id, &text)) && text) out = Narrow(text);
  SysFreeString(text);
  return out;
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
      VARIANT self{};  // lVal 0: CHILDID_SELF
      self.vt = VT_I4;
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
struct LiveEvent { HWND hwnd; LONG object, child; };
std::vector<LiveEvent> gLive;
constexpr DWORD kLiveRegionChanged = 0x8019;  // EVENT_OBJECT_LIVEREGIONCHANGED, Windows 8

void CALLBACK OnLiveEvent(HWINEVENTHOOK, DWORD, HWND hwnd, LONG object, LONG child, DWORD, DWORD) {
  gLive.push_back({hwnd, object, child});
}

void PumpFor(int ms) {
  for (const auto end = Clock::now() + std::chrono::milliseconds(ms); Clock::now() < end;) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, 30, QS_ALLINPUT);
    for (MSG msg; PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE);) DispatchMessageW(&msg);
  }
}

// The text of a file of UTF-16 units, made by the robustness suite.
std::wstring ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw Failure("cannot read " + path);
  const std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  std::wstring text(bytes.size() / sizeof(wchar_t), L'\0');
  std::memcpy(text.data(), bytes.data(), text.size() * sizeof(wchar_t));
  return text;
}

// Hands Text1 a big text. On a busy machine Wine can count a program that is merely slow as hung,
// so the wait is long and never cut short: only a program that never answers fails.
void SendBig(UINT message, WPARAM wp, LPARAM lp, const char* what) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(Child("Text1"), message, wp, lp, SMTO_NORMAL, 60000, &result)) {
    FailWithError(std::string(what) + " got no answer");
  }
}

// The real pointer to a point of the screen, with any button changes, as the mouse sends them.
void Mouse(POINT p, DWORD buttons = 0) {
  const auto scale = [](LONG v, int origin, int size) {
    return static_cast<LONG>((static_cast<long long>(v - origin) * 65536 + size - 1) / size);
  };
  INPUT input{};
  input.type = INPUT_MOUSE;
  input.mi.dx = scale(p.x, GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_CXVIRTUALSCREEN));
  input.mi.dy = scale(p.y, GetSystemMetrics(SM_YVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN));
  input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_VIRTUALDESK | buttons;
  if (SendInput(1, &input, sizeof input) != 1) FailWithError("SendInput refused the mouse");
}

// A window to the front. Only the program in front may hand the front on (Windows refuses the
// others): the probe joins its input to that program's for the moment.
void ToFront(HWND hwnd) {
  const DWORD self = GetCurrentThreadId(), front = GetWindowThreadProcessId(GetForegroundWindow(), nullptr);
  const bool joined = front && front != self && AttachThreadInput(self, front, TRUE);
  SetForegroundWindow(hwnd);
  if (joined) AttachThreadInput(self, front, FALSE);
  Until("the window is not in front", [&] { return GetForegroundWindow() == hwnd; });
}

// The backdrop stays behind every other window, whatever asks to raise it.
LRESULT CALLBACK BackdropProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp) {
  if (msg == WM_WINDOWPOSCHANGING) reinterpret_cast<WINDOWPOS*>(lp)->hwndInsertAfter = HWND_BOTTOM;
  return DefWindowProcW(hwnd, msg, wp, lp);
}

// A plain window, shown without taking the front; `wait`: kept until the probe is ended.
void PlainWindow(const wchar_t* title, DWORD style, int w, int h, bool wait) {
  HWND hwnd = CreateWindowExW(0, L"STATIC", title, style, 0, 0, w, h, nullptr, nullptr, nullptr, nullptr);
  if (!hwnd) throw Failure("no window");
  ShowWindow(hwnd, SW_SHOWNOACTIVATE);
  UpdateWindow(hwnd);
  for (MSG msg; wait && GetMessageW(&msg, nullptr, 0, 0) > 0;) DispatchMessageW(&msg);
  DestroyWindow(hwnd);
}

// Runs LoadLibraryW(dll) in a process on a thread of its own there, and waits for it. The system
// DLLs sit at the same address in every process of one bitness, so the probe's LoadLibraryW is
// the program's.
bool Inject(HANDLE process, const std::wstring& dll) {
  const SIZE_T bytes = (dll.size() + 1) * sizeof(wchar_t);
  void* remote = VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!remote || !WriteProcessMemory(process, remote, dll.c_str(), bytes, nullptr)) return false;
  const auto load = reinterpret_cast<LPTHREAD_START_ROUTINE>(
      reinterpret_cast<void (*)()>(GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
  HANDLE thread = CreateRemoteThread(process, nullptr, 0, load, remote, 0, nullptr);
  DWORD loaded = 0;  // the module's handle, cut to 32 bits: zero when it did not load
  const bool done = thread && WaitForSingleObject(thread, 30000) == WAIT_OBJECT_0 && GetExitCodeThread(thread, &loaded);
  if (thread) CloseHandle(thread);
  return done && loaded != 0;
}

// A verb's help: its fields after the verb, then what it does.
struct Verb { const char* help; void (*run)(const Args&); };

const std::map<std::string, Verb> kVerbs{
    {"form-hidden", {"the window is made, not yet shown, not yet layered", [](const Args&) {
       HWND form = Form(20000);
       if (IsWindowVisible(form)) throw Failure("the window is visible");
       if (GetWindowLongW(form, GWL_EXSTYLE) & WS_EX_LAYERED) throw Failure("already layered");
     }}},
    {"visible", {"the window is shown, and at the top from the moment it is seen", [](const Args&) {
       HWND form = Form(20000);
       Until("the window is hidden", [&] { return IsWindowVisible(form) != FALSE; });
       RECT r{};
       GetWindowRect(form, &r);
       if (r.top != 0) throw Failure("first seen at " + RectText(r));
     }}},
    {"box", {"|TITLE|TEXT|ICON  a message box says so, OK its only button; a '*' in TEXT stands for any words", [](const Args& a) {
       HWND box = nullptr;
       WaitFor([&](std::string& seen) {
         HWND other = FirstShown();
         const auto otherTitle = other ? TextOf(other, 500) : std::nullopt;
         seen = otherTitle ? "a box titled '" + *otherTitle + "'" : "no message box";
         return (box = FirstShown(Widen(a[1]))) != nullptr;
       }, 30000);
       // A program that has just started may take its time to answer.
       std::optional<std::string> text;
       Until("the box does not answer", [&] { return (text = TextOf(GetDlgItem(box, 0xFFFF), 1000)).has_value(); },
             30000);
       if (!Matches(*text, a[2])) throw Failure("text '" + *text + "'");
       // The icon is read off the screen: with both cores busy the box may paint it seconds after
       // its text answers.
       Expect([&] { return "icon " + IconKind(box); }, "icon " + a[3], 30000);
       for (int id : {IDCANCEL, IDYES, IDNO, IDRETRY, IDABORT, IDIGNORE}) {
         if (IsWindowVisible(GetDlgItem(box, id))) throw Failure("a button besides OK: " + std::to_string(id));
       }
     }}},
    {"dismiss", {"|ok or close or escape  the open box, so", [](const Args& a) {
       HWND box = FirstShown();
       if (!box) throw Failure("no message box");
       if (a[1] == "ok") PostMessageW(GetDlgItem(box, IDOK), BM_CLICK, 0, 0);
       else if (a[1] == "close") PostMessageW(box, WM_SYSCOMMAND, SC_CLOSE, 0);
       else if (a[1] == "escape") PostMessageW(GetDlgItem(box, IDOK), WM_KEYDOWN, VK_ESCAPE, 0);
       else throw std::invalid_argument("dismiss how? " + a[1]);
       Until("the box is still open", [&] { return !IsWindow(box) || !IsWindowVisible(box); });
     }}},
    {"no-box", {"no message box is open", [](const Args&) {
       if (HWND box = FirstShown()) throw Failure("a box is open: '" + TextOf(box).value_or("?") + "'");
     }}},
    {"styles", {"frame, task bar and control styles", [](const Args&) {
       static const struct { const char* name; int which; DWORD mask, want; const char* otherwise; } kStyles[] = {
           {"Form1", GWL_STYLE, WS_POPUP | WS_CAPTION | WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX, WS_POPUP, "a frame"},
           {"Form1", GWL_EXSTYLE, WS_EX_APPWINDOW | WS_EX_TOOLWINDOW, WS_EX_APPWINDOW, "no task-bar button"},
           {"Text1", GWL_EXSTYLE, WS_EX_CLIENTEDGE, WS_EX_CLIENTEDGE, "not sunken"},
           {"Combo1", GWL_STYLE, 3, CBS_DROPDOWNLIST, "can be typed in"},
           {"Command1", GWL_STYLE, BS_TYPEMASK, BS_PUSHBUTTON, "a default button"},
           {"Command2", GWL_STYLE, BS_TYPEMASK, BS_PUSHBUTTON, "a default button"}};
       for (const auto& s : kStyles) {
         const DWORD style = static_cast<DWORD>(GetWindowLongW(Child(s.name), s.which));
         if ((style & s.mask) != s.want) throw Failure(s.name + std::string(": ") + s.otherwise + ", style " + std::to_string(style));
       }
     }}},
    {"place", {"|NAME|X|Y|W|H  a control's place in the client area, or Form1's on the screen (its X may be "
               "center)", [](const Args& a) {
       HWND hwnd = Child(a[1]);
       const int w = a.Int(4), h = a.Int(5);
       const int x = a[2] == "center" ? (GetSystemMetrics(SM_CXSCREEN) - w) / 2 : a.Int(2);
       WaitFor([&](std::string& seen) {
         RECT r{};
         GetWindowRect(hwnd, &r);
         if (hwnd != Form()) MapWindowPoints(nullptr, Form(), reinterpret_cast<POINT*>(&r), 2);
         seen = a[1] + " at " + RectText(r) + ", screen " + std::to_string(GetSystemMetrics(SM_CXSCREEN));
         return r.left == x && r.top == a.Int(3) && r.right - r.left == w && r.bottom - r.top == h;
       }, 3000);
     }}},
    {"text", {"|NAME|TEXT  a control's (or Form1's) text", [](const Args& a) {
       HWND hwnd = Child(a[1]);
       Expect([&] { const auto t = TextOf(hwnd); return t ? "reads '" + *t + "'" : "does not answer"; },
              "reads '" + a.Or(2) + "'");
     }}},
    {"enabled", {"|NAME|1 or 0", [](const Args& a) {
       HWND hwnd = Child(a[1]);
       const auto said = [&](bool on) { return a[1] + (on ? " is enabled" : " is disabled"); };
       Expect([&] { return said(IsWindowEnabled(hwnd) != FALSE); }, said(a[2] == "1"), 4000);
     }}},
    {"items", {"|A,B,C  Combo1's items", [](const Args& a) {
       HWND combo = Child("Combo1");
       std::string got;
       for (LRESULT i = 0, n = SendMessageW(combo, CB_GETCOUNT, 0, 0); i < n; ++i) {
         wchar_t item[128] = {};
         SendMessageW(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(item));
         got += (i ? "," : "") + Narrow(item);
       }
       if (got != a[1]) throw Failure("items " + got);
     }}},
    {"select", {"|N  Combo1's item N (-1: none) selected", [](const Args& a) {
       SendMessageW(Child("Combo1"), CB_SETCURSEL, static_cast<WPARAM>(a.Int(1)), 0);
     }}},
    {"settext", {"|NAME|TEXT  sets a control's text", [](const Args& a) {
       SendMessageTimeoutW(Child(a[1]), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Widen(a.Or(2)).c_str()),
                           SMTO_ABORTIFHUNG, 3000, nullptr);
     }}},
    {"click", {"|NAME  clicks a button", [](const Args& a) { PostMessageW(Child(a[1]), BM_CLICK, 0, 0); }}},
    {"tick", {"|TIMER ID|COUNT  the timer's ticks, posted", [](const Args& a) {
       for (int i = 0; i < a.Int(2); ++i) PostMessageW(Form(), WM_TIMER, static_cast<WPARAM>(a.Int(1)), 0);
     }}},
    {"focus", {"|NAME  the focus is there", [](const Args& a) {
       HWND want = Child(a[1]);
       WaitFor([&](std::string& seen) {
         HWND focus = FocusedWindow();
         const auto holds = [&](HWND hwnd) { return focus == hwnd || IsChild(hwnd, focus); };
         seen = "focus on " + std::to_string(reinterpret_cast<std::uintptr_t>(focus));
         for (const auto& [name, id] : kChildIds) {
           if (holds(GetDlgItem(Form(), id))) seen = "focus on " + name;
         }
         return holds(want);
       }, 3000);
     }}},
    {"tab", {"the Tab key, to whatever has the focus", [](const Args&) { PressOnFocus(VK_TAB, 0x0F); }}},
    {"enter", {"the Enter key, to whatever has the focus", [](const Args&) { PressOnFocus(VK_RETURN, 0x1C); }}},
    {"end-session", {"|1 or 0|LPARAM in hex  the system asks, then ends the session (1) or calls it off (0); "
                     "lParam 1 is the Restart Manager's close", [](const Args& a) {
       const LPARAM why = static_cast<LPARAM>(std::stoul(a[2], nullptr, 16));
       DWORD_PTR answer = 0;
       if (!SendMessageTimeoutW(Form(), WM_QUERYENDSESSION, 0, why, SMTO_ABORTIFHUNG, 5000, &answer)) {
         throw Failure("no answer to WM_QUERYENDSESSION");
       }
       if (answer != TRUE) throw Failure("the session's end refused");
       // The program may end before it answers.
       SendMessageTimeoutW(Form(), WM_ENDSESSION, a[1] == "1", why, SMTO_ABORTIFHUNG, 5000, &answer);
     }}},
    {"fault", {"the recorder, launched with ORVANE_FAULT, faults now", [](const Args&) {
       HANDLE asked = OpenEventW(EVENT_MODIFY_STATE, FALSE, L"Local\\OrvaneFault");
       if (!asked) throw Failure("no fault DLL waits in the program");
       SetEvent(asked);
       CloseHandle(asked);
     }}},
    {"crash", {"a message the window cannot survive: a scale change without its place", [](const Args&) {
       if (!PostMessageW(Form(), WM_DPICHANGED, MAKEWPARAM(96, 96), 0)) FailWithError("cannot post WM_DPICHANGED");
     }}},
    {"count", {"|form or box|N  so many Orvane windows (shown or not) or boxes (shown)", [](const Args& a) {
       int n = 0;
       for (HWND h : TopWindows(a[1] == "form" ? L"OrvaneForm1" : L"#32770")) n += a[1] == "form" || IsWindowVisible(h);
       if (n != a.Int(2)) throw Failure(std::to_string(n) + " " + a[1] + " windows");
     }}},
    {"front", {"|form or box  that window is the foreground one, not minimised", [](const Args& a) {
       Expect([] {
         HWND front = GetForegroundWindow();
         wchar_t cls[64] = {};
         GetClassNameW(front, cls, 64);
         return "in front: " + Narrow(cls) + (front && IsIconic(front) ? ", minimised" : "");
       }, std::string("in front: ") + (a[1] == "form" ? "OrvaneForm1" : "#32770"));
     }}},
    {"activate", {"|CLASS  the first visible window of that class (waited for) to the front", [](const Args& a) {
       HWND shown = nullptr;
       Until("no visible window of class " + a[1],
             [&] { return (shown = FirstShown({}, Widen(a[1]))) != nullptr; });
       ToFront(shown);
     }}},
    {"minimise", {"minimises the window", [](const Args&) {
       HWND form = Form();
       ShowWindow(form, SW_MINIMIZE);
       Until("not minimised", [&] { return IsIconic(form) != FALSE; });
     }}},
    {"mouse", {"|down, rdown, mdown, up or move|X|Y  posted on the window's client area", [](const Args& a) {
       static const std::map<std::string, std::pair<UINT, WPARAM>> kMessages{
           {"down", {WM_LBUTTONDOWN, MK_LBUTTON}}, {"rdown", {WM_RBUTTONDOWN, MK_RBUTTON}},
           {"mdown", {WM_MBUTTONDOWN, MK_MBUTTON}}, {"up", {WM_LBUTTONUP, 0}}, {"move", {WM_MOUSEMOVE, 0}}};
       const auto& m = kMessages.at(a[1]);
       PostMessageW(Form(), m.first, m.second, MAKELPARAM(a.Int(2), a.Int(3)));
     }}},
    // Made for Windows itself. Under Wine a drag that starts the system's move of the window stops
    // there: the window manager moves it after the X pointer, which Wine then no longer moves.
    {"drag", {"|X1|Y1|X2|Y2  a real left-button drag from one client point to another", [](const Args& a) {
       const POINT from = OnScreen(a.Int(1), a.Int(2)), to = OnScreen(a.Int(3), a.Int(4));
       Mouse(from);
       Pause(200);
       POINT at{};
       if (!GetCursorPos(&at) || at.x != from.x || at.y != from.y) {
         throw Failure("the pointer went to " + std::to_string(at.x) + "," + std::to_string(at.y));
       }
       Mouse(from, MOUSEEVENTF_LEFTDOWN);
       Pause(300);
       const LONG longest = std::max(std::labs(to.x - from.x), std::labs(to.y - from.y));
       const int steps = std::max(1, static_cast<int>(longest / 4));
       for (int i = 1; i <= steps; ++i, Pause(15)) {
         Mouse({from.x + (to.x - from.x) * i / steps, from.y + (to.y - from.y) * i / steps});
       }
       Pause(300);
       const bool arrived = GetCursorPos(&at) && at.x == to.x && at.y == to.y;
       Mouse(to, MOUSEEVENTF_LEFTUP);
       if (!arrived) throw Failure("the pointer stopped at " + std::to_string(at.x) + "," + std::to_string(at.y));
     }}},
    {"pointer", {"|X|Y  the mouse pointer to a point of the client area", [](const Args& a) {
       const POINT p = OnScreen(a.Int(1), a.Int(2));
       SetCursorPos(p.x, p.y);
     }}},
    {"unkey", {"takes the colour key off: the window shows all that it draws", [](const Args&) {
       SetWindowLongW(Form(), GWL_EXSTYLE, GetWindowLongW(Form(), GWL_EXSTYLE) & ~WS_EX_LAYERED);
       RedrawWindow(Form(), nullptr, nullptr, RDW_INVALIDATE | RDW_ALLCHILDREN | RDW_UPDATENOW);
     }}},
    {"moveto", {"|X|Y  moves the window, as another program would", [](const Args& a) {
       SetWindowPos(Form(), nullptr, a.Int(1), a.Int(2), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
     }}},
    {"tooltip", {"|TEXT  a tooltip with this text is showing", [](const Args& a) {
       WaitFor([&](std::string& seen) {
         seen = "no tooltip showing";
         for (HWND tip : TopWindows(L"tooltips_class32")) {
           const auto text = IsWindowVisible(tip) ? TextOf(tip) : std::nullopt;
           if (text) seen = "tooltip '" + *text + "'";
           if (text == a[1]) return true;
         }
         return false;
       }, 6000);
     }}},
    {"label", {"|NAME|CAPTION|black or red  what the screen shows in the label's box", [](const Args& a) {
       const std::wstring caption = Widen(a.Or(2));
       const COLORREF colour = a.Or(3) == "red" ? RGB(255, 0, 0) : RGB(0, 0, 0);
       Expect([&] { return LabelDifference(a[1], caption, colour); }, "", 4000);
     }}},
    {"fonts-fit", {"every label's caption fits its box in the font in use; prints each", [](const Args&) {
       win32::ScreenDc screen;
       for (const layout::ControlLayout& entry : layout::kControls) {
         if (entry.kind != layout::Kind::Label || entry.text.empty()) continue;
         const win32::ChosenFont font = win32::MakeLayoutFont(screen.get(), entry.font, 96);
         const SIZE size = win32::MeasureText(screen.get(), font.font.get(), Widen(entry.text));
         const std::string name(ControlName(entry.id));
         std::printf("%s: %s as %s%s, %ldx%ld in %dx%d\n", name.c_str(), std::string(entry.font.face).c_str(),
                     Narrow(font.face).c_str(), font.substituted ? " (substitute)" : "", size.cx, size.cy,
                     entry.box.w, entry.box.h);
         if (size.cx > entry.box.w || size.cy > entry.box.h) throw Failure(name + " does not fit its box");
       }
     }}},
    {"backdrop", {"|RRGGBB  a window of that colour over the whole screen, behind every other, until the probe "
                  "is ended: on Windows, where the desktop is a picture, what shows through the key", [](const Args& a) {
       const unsigned long rgb = std::stoul(a[1], nullptr, 16);
       WNDCLASSW cls{};
       cls.lpfnWndProc = BackdropProc;
       cls.hInstance = GetModuleHandleW(nullptr);
       cls.hbrBackground = CreateSolidBrush(RGB(rgb >> 16, (rgb >> 8) & 0xFF, rgb & 0xFF));
       cls.lpszClassName = L"OrvaneBackdrop";
       HWND hwnd = RegisterClassW(&cls) ? CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_NOACTIVATE, cls.lpszClassName, L"",
           WS_POPUP, GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
           GetSystemMetrics(SM_CXVIRTUALSCREEN), GetSystemMetrics(SM_CYVIRTUALSCREEN), nullptr, nullptr,
           cls.hInstance, nullptr) : nullptr;
       if (!hwnd) FailWithError("no backdrop");
       SetWindowPos(hwnd, HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
       for (MSG msg; GetMessageW(&msg, nullptr, 0, 0) > 0;) DispatchMessageW(&msg);
     }}},
    {"warm-up", {"shows and closes a window: Wine starts its desktop process", [](const Args&) {
       PlainWindow(L"warm-up", WS_POPUP, 10, 10, false);
     }}},
    {"idle-window", {"a plain window until the probe is ended: what any idle window costs", [](const Args&) {
       PlainWindow(L"idle", WS_OVERLAPPEDWINDOW, 335, 265, true);
     }}},
    {"accessible", {"|ROLE|NAME|VALUE|ACTION  an element says so", [](const Args& a) {
       const std::string want = a[1] + "|" + a[2] + "|" + a[3] + "|" + a[4];
       WaitFor([&](std::string& seen) {
         seen = "the elements are:";
         bool found = false;
         ForEachAccessible([&](IAccessible* acc, const VARIANT& id) {
           VARIANT role{};
           wchar_t roleText[64] = L"?";
           if (SUCCEEDED(acc->get_accRole(id, &role)) && role.vt == VT_I4) {
             GetRoleTextW(static_cast<DWORD>(role.lVal), roleText, 64);
           }
           VariantClear(&role);
           const std::string line = Narrow(roleText) + "|" + AccText(acc, id, &IAccessible::get_accName) + "|" +
                                    AccText(acc, id, &IAccessible::get_accValue) + "|" +
                                    AccText(acc, id, &IAccessible::get_accDefaultAction);
           seen += "\n  " + line;
           found = found || line == want;
         });
         return found;
       });
     }}},
    {"press", {"|NAME  a screen reader's default action on that element", [](const Args& a) {
       bool pressed = false;
       ForEachAccessible([&](IAccessible* acc, const VARIANT& id) {
         if (!pressed && AccText(acc, id, &IAccessible::get_accName) == a[1]) {
           pressed = SUCCEEDED(acc->accDoDefaultAction(id));
         }
       });
       if (!pressed) throw Failure("no element named " + a[1] + " took its default action");
     }}},
    {"listen", {"from here on, the program's live-region events are kept", [](const Args&) {
       if (!SetWinEventHook(kLiveRegionChanged, kLiveRegionChanged, nullptr, OnLiveEvent, FormPid(), 0,
                            WINEVENT_OUTOFCONTEXT)) {
         FailWithError("no event hook");
       }
     }}},
    {"live", {"|N|NAME  N new live-region events, each on the window's element NAME", [](const Args& a) {
       const std::size_t want = static_cast<std::size_t>(a.Int(1));
       for (int waited = 0; gLive.size() < want && waited < 5000; waited += 100) PumpFor(100);
       PumpFor(500);  // any event beyond those
       std::string seen;
       bool right = gLive.size() == want;
       CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
       for (const LiveEvent& e : gLive) {
         // The name a reader gets for the element the event names.
         IAccessible* acc = nullptr;
         VARIANT child{};
         const bool found = SUCCEEDED(AccessibleObjectFromEvent(e.hwnd, static_cast<DWORD>(e.object),
                                                                static_cast<DWORD>(e.child), &acc, &child));
         const std::string name = found ? AccText(acc, child, &IAccessible::get_accName) : "(no element)";
         if (found) VariantClear(&child), acc->Release();
         seen += "\n  " + std::string(e.hwnd == Form() ? "the window" : "another window") + ", object " +
                 std::to_string(e.object) + ", child " + std::to_string(e.child) + ": '" + name + "'";
         right = right && e.hwnd == Form() && e.object == OBJID_CLIENT && name == a[2];
       }
       gLive.clear();
       if (!right) throw Failure(std::to_string(want) + " events wanted, seen:" + seen);
     }}},
    {"alt-f4", {"Alt+F4 typed on the keyboard, the window in front", [](const Args&) {
       ToFront(Form());
       INPUT keys[4] = {};  // Alt and F4 down, then up in the other order
       for (int i = 0; i < 4; ++i) {
         keys[i].type = INPUT_KEYBOARD;
         keys[i].ki.wVk = i == 1 || i == 2 ? VK_F4 : VK_MENU;
         keys[i].ki.dwFlags = i >= 2 ? KEYEVENTF_KEYUP : 0;
       }
       if (SendInput(4, keys, sizeof(INPUT)) != 4) throw Failure("SendInput refused the keys");
     }}},
    {"sleep", {"|MS", [](const Args& a) { Pause(a.Int(1)); }}},
    {"gone", {"the program has ended", [](const Args&) {
       Until("the window is still there", [] { return FindWindowW(L"OrvaneForm1", nullptr) == nullptr; }, 10000);
     }}},
    {"report", {"prints the window's place on the screen and its caption", [](const Args&) {
       RECT r{};
       GetWindowRect(Form(), &r);
       std::printf("window %s caption '%s'\n", RectText(r).c_str(), TextOf(Form(), 10000).value_or("?").c_str());
     }}},
    {"put", {"|fill or paste|FILE  FILE's UTF-16 units into Text1, set or pasted", [](const Args& a) {
       const std::string& how = a[1];
       if (how != "fill" && how != "paste") throw std::invalid_argument("put how? " + how);
       const std::wstring text = ReadText(a[2]);
       if (how == "fill") return SendBig(WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), "WM_SETTEXT");
       if (!OpenClipboard(nullptr)) FailWithError("OpenClipboard");
       EmptyClipboard();
       const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
       HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
       if (memory) std::memcpy(GlobalLock(memory), text.c_str(), bytes), GlobalUnlock(memory);
       const bool handed = memory && SetClipboardData(CF_UNICODETEXT, memory);  // the clipboard owns it now
       CloseClipboard();
       if (!handed) FailWithError("cannot put the text on the clipboard");
       SendBig(EM_SETSEL, 0, -1, "EM_SETSEL");
       SendBig(WM_PASTE, 0, 0, "WM_PASTE");
     }}},
    {"launch", {"|DLL|PROGRAM  starts PROGRAM with DLL loaded before its first instruction, and ends with it, with "
                "its status (3: the DLL did not load); stopping the probe stops the program", [](const Args& a) {
       HANDLE job = CreateJobObjectW(nullptr, nullptr);
       JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
       limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
       if (!job || !SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
         FailWithError("no job for the program");
       }
       wchar_t dll[MAX_PATH];
       std::wstring command = L"\"" + Widen(a[2]) + L"\"";
       STARTUPINFOW startup{};
       startup.cb = sizeof startup;
       PROCESS_INFORMATION process{};
       const DWORD length = GetFullPathNameW(Widen(a[1]).c_str(), MAX_PATH, dll, nullptr);
       if (length == 0 || length >= MAX_PATH ||
           !CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                           &startup, &process)) {
         FailWithError("cannot start " + a[2]);
       }
       if (!AssignProcessToJobObject(job, process.hProcess) || !Inject(process.hProcess, dll)) {
         std::printf("FAIL %s did not load into the program (error %lu)\n", a[1].c_str(), GetLastError());
         TerminateProcess(process.hProcess, 3);
         std::exit(3);  // NOLINT(concurrency-mt-unsafe): the probe runs one thread
       }
       ResumeThread(process.hThread);
       WaitForSingleObject(process.hProcess, INFINITE);
       DWORD status = 0;
       GetExitCodeProcess(process.hProcess, &status);
       std::fflush(stdout);
       std::exit(static_cast<int>(status));  // NOLINT(concurrency-mt-unsafe): one thread
     }}},
    {"shot", {"|FILE  the whole screen as a 24-bit BMP", [](const Args& a) {
       const int x = GetSystemMetrics(SM_XVIRTUALSCREEN), y = GetSystemMetrics(SM_YVIRTUALSCREEN);
       const int w = GetSystemMetrics(SM_CXVIRTUALSCREEN), h = GetSystemMetrics(SM_CYVIRTUALSCREEN);
       BITMAPINFOHEADER info{sizeof info, w, h, 1, 24, BI_RGB, 0, 0, 0, 0, 0};  // rows bottom up
       win32::ScreenDc screen;
       win32::UniqueMemoryDc copy(CreateCompatibleDC(screen.get()));
       void* bits = nullptr;
       const win32::UniqueBitmap dib(
           CreateDIBSection(screen.get(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0));
       if (!dib) FailWithError("no bitmap of " + std::to_string(w) + "x" + std::to_string(h));
       if (win32::SelectedObject s(copy.get(), dib.get());
           !BitBlt(copy.get(), 0, 0, w, h, screen.get(), x, y, SRCCOPY | CAPTUREBLT)) {
         FailWithError("cannot copy the screen");
       }
       const DWORD size = static_cast<DWORD>((w * 3 + 3) & ~3) * static_cast<DWORD>(h);
       const DWORD offset = sizeof(BITMAPFILEHEADER) + sizeof info;
       const BITMAPFILEHEADER head{0x4D42, offset + size, 0, 0, offset};  // "BM"
       const std::unique_ptr<FILE, decltype(&std::fclose)> out(_wfopen(Widen(a[1]).c_str(), L"wb"), &std::fclose);
       const bool written = out && std::fwrite(&head, sizeof head, 1, out.get()) == 1 &&
                            std::fwrite(&info, sizeof info, 1, out.get()) == 1 &&
                            std::fwrite(bits, size, 1, out.get()) == 1 && std::fflush(out.get()) == 0;
       if (!written) throw Failure("cannot write " + a[1]);
     }}},
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string step = Narrow(argv[i]);
    try {
      Args args;
      for (std::size_t start = 0, at = 0; at != std::string::npos; start = at + 1) {
        at = step.find('|', start);
        args.f.push_back(step.substr(start, at == std::string::npos ? at : at - start));
      }
      const auto verb = kVerbs.find(args.f[0]);
      if (verb == kVerbs.end()) {
        std::string list;
        for (const auto& [name, v] : kVerbs) list += "\n  " + name + (v.help[0] == '|' ? "" : "  ") + v.help;
        throw std::invalid_argument("no such verb; the verbs are:" + list);
      }
      verb->second.run(args);
    } catch (const std::exception& e) {
      const bool failed = dynamic_cast<const Failure*>(&e) != nullptr;  // not a mistake in the step
      std::printf("%s %s: %s\n", failed ? "FAIL" : "ERROR", step.c_str(), e.what());
      std::fflush(stdout);
      return failed ? 1 : 2;
    }
  }
  std::fflush(stdout);
  return 0;
}
