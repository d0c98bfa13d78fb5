// orvane-robust: what the robustness suite needs of Orvane.exe under Wine beyond what
// tests/win32's probe offers: the process's resource figures, and very large or odd texts put
// into the minutes field followed by a timed Start.
//
//   orvane-robust stat                  "handles N gdi N user N workingset_kib N private_kib N"
//   orvane-robust fill KIND N           Text1's text := N UTF-16 units of KIND (WM_SETTEXT)
//   orvane-robust paste KIND N          the same text through the clipboard and WM_PASTE
//   orvane-robust start-timed           clicks Start; prints "ms N title T text T" of the box
//                                       that answers (and leaves it open), or fails after 10 s
// KIND: nines, letters, control, unicode, exponent, hex, thirty (valid minutes, then junk).
#include <windows.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#include "window/win32/text_win32.h"

namespace {

using orvane::win32::Narrow;

constexpr int kText1 = 101;
constexpr int kCommand1 = 103;

[[noreturn]] void Fail(const char* what) {
  std::printf("FAIL %s (error %lu)\n", what, GetLastError());
  std::fflush(stdout);
  std::exit(1);
}

HWND Form() {
  HWND form = FindWindowW(L"OrvaneForm1", nullptr);
  if (!form) Fail("no window of class OrvaneForm1");
  return form;
}

std::wstring MakeText(const std::string& kind, std::size_t n) {
  std::wstring s;
  s.reserve(n + 8);
  if (kind == "nines") {
    s.assign(n, L'9');
  } else if (kind == "letters") {
    s.assign(n, L'a');
  } else if (kind == "control") {
    // Every C0 control but NUL, and DEL, in turn.
    for (std::size_t i = 0; s.size() < n; ++i) s += static_cast<wchar_t>(i % 32 == 0 ? 0x7F : i % 32);
  } else if (kind == "unicode") {
    // Astral pairs, a lone surrogate, right-to-left, combining marks, CJK, non-characters,
    // the byte order mark and full-width digits.
    const std::wstring pieces[] = {L"\xD83D\xDE00", L"\xD800", L"\x05D0\x0661", L"e\x0301\x0308",
                                   L"\x6F22\x5B57", L"\xFFFF\xFFFE", L"\xFEFF", L"\xFF15\xFF10",
                                   L"\x200B\x202E", L"\xDC00"};
    for (std::size_t i = 0; s.size() < n; ++i) s += pieces[i % std::size(pieces)];
  } else if (kind == "exponent") {
    s = L"1e";
    s.append(n > 2 ? n - 2 : 0, L'9');
  } else if (kind == "hex") {
    s = L"&H";
    s.append(n > 2 ? n - 2 : 0, L'F');
  } else if (kind == "thirty") {
    s = L"30";
    while (s.size() < n) s += L"x\xD83D\xDE00";
  } else {
    Fail("unknown kind");
  }
  s.resize(n);
  return s;
}

// How long the program may take to answer a message that hands it a big text. On a busy machine
// Wine can count a program that is merely slow as hung, so the wait is long and never cut short:
// only a program that never answers fails.
constexpr UINT kAnswerMs = 60000;

void Fill(const std::wstring& text) {
  DWORD_PTR result = 0;
  if (!SendMessageTimeoutW(GetDlgItem(Form(), kText1), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()),
                           SMTO_NORMAL, kAnswerMs, &result)) {
    Fail("WM_SETTEXT got no answer");
  }
}

void Paste(const std::wstring& text) {
  if (!OpenClipboard(nullptr)) Fail("OpenClipboard");
  EmptyClipboard();
  const SIZE_T bytes = (text.size() + 1) * sizeof(wchar_t);
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
  if (!memory) Fail("GlobalAlloc");
  std::memcpy(GlobalLock(memory), text.c_str(), bytes);
  GlobalUnlock(memory);
  if (!SetClipboardData(CF_UNICODETEXT, memory)) Fail("SetClipboardData");  // the clipboard owns it now
  CloseClipboard();
  HWND edit = GetDlgItem(Form(), kText1);
  DWORD_PTR result = 0;
  SendMessageTimeoutW(edit, EM_SETSEL, 0, -1, SMTO_NORMAL, kAnswerMs, &result);
  if (!SendMessageTimeoutW(edit, WM_PASTE, 0, 0, SMTO_NORMAL, kAnswerMs, &result)) Fail("WM_PASTE got no answer");
}

std::wstring TextOf(HWND hwnd) {
  wchar_t buffer[512] = {};
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(hwnd, WM_GETTEXT, 512, reinterpret_cast<LPARAM>(buffer), SMTO_ABORTIFHUNG, 3000, &copied);
  return std::wstring(buffer, copied);
}

struct BoxOf {
  DWORD pid;
  HWND found;
};

BOOL CALLBACK MatchBox(HWND hwnd, LPARAM lp) {
  auto* s = reinterpret_cast<BoxOf*>(lp);
  wchar_t cls[16] = {};
  GetClassNameW(hwnd, cls, 16);
  DWORD pid = 0;
  GetWindowThreadProcessId(hwnd, &pid);
  if (pid == s->pid && std::wstring(cls) == L"#32770" && IsWindowVisible(hwnd) && GetDlgItem(hwnd, IDOK)) {
    s->found = hwnd;
    return FALSE;
  }
  return TRUE;
}

void StartTimed() {
  HWND form = Form();
  BoxOf search{0, nullptr};
  GetWindowThreadProcessId(form, &search.pid);
  const auto start = std::chrono::steady_clock::now();
  PostMessageW(GetDlgItem(form, kCommand1), BM_CLICK, 0, 0);
  for (;;) {
    search.found = nullptr;
    EnumWindows(MatchBox, reinterpret_cast<LPARAM>(&search));
    const auto ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (search.found) {
      std::printf("ms %.0f title %s text %s\n", ms, Narrow(TextOf(search.found)).c_str(),
                  Narrow(TextOf(GetDlgItem(search.found, 0xFFFF))).c_str());
      return;
    }
    if (ms > 10000) Fail("no box within 10 s of Start");
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
}

void Stat() {
  DWORD pid = 0;
  GetWindowThreadProcessId(Form(), &pid);
  HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
  if (!process) Fail("OpenProcess");
  DWORD handles = 0;
  GetProcessHandleCount(process, &handles);
  PROCESS_MEMORY_COUNTERS_EX memory{};
  memory.cb = sizeof memory;
  K32GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory);
  std::printf("handles %lu gdi %lu user %lu workingset_kib %zu private_kib %zu\n", handles,
              GetGuiResources(process, GR_GDIOBJECTS), GetGuiResources(process, GR_USEROBJECTS),
              static_cast<std::size_t>(memory.WorkingSetSize / 1024), static_cast<std::size_t>(memory.PrivateUsage / 1024));
  CloseHandle(process);
}

}  // namespace

int main(int argc, char** argv) {
  const std::string op = argc > 1 ? argv[1] : "";
  if (op == "stat") {
    Stat();
  } else if ((op == "fill" || op == "paste") && argc == 4) {
    const std::wstring text = MakeText(argv[2], std::strtoul(argv[3], nullptr, 10));
    op == "fill" ? Fill(text) : Paste(text);
  } else if (op == "start-timed") {
    StartTimed();
  } else {
    std::printf("usage: orvane-robust stat | fill KIND N | paste KIND N | start-timed\n");
    return 2;
  }
  std::fflush(stdout);
  return 0;
}
