#include "window/win32/crash_win32.h"

#include <windows.h>

#include "window/win32/form1_win32.h"

namespace orvane::win32 {
namespace {

constexpr UINT kFatalBox = MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST;
// How long a crash waits for its box to show before it ends the process without one.
constexpr DWORD kBoxDeadlineMs = 5000;

// The crash box's text, made at start: the crash only writes the exception code's eight
// digits over the zeros at its end. Nothing in the filter allocates: the faulting thread may
// hold the heap's lock, or the loader's.
wchar_t gCrashText[128];
wchar_t* gCrashCode = nullptr;
volatile LONG gCrashing = 0;

DWORD WINAPI ShowCrashBox(void*) {
  MessageBoxW(nullptr, gCrashText, L"Orvane", kFatalBox);
  return 0;
}

BOOL CALLBACK FindShown(HWND hwnd, LPARAM shown) {
  if (!IsWindowVisible(hwnd)) return TRUE;
  *reinterpret_cast<bool*>(shown) = true;
  return FALSE;
}

[[noreturn]] void EndNow() {
  // Not ExitProcess: it would tell every DLL under the loader's lock, which the fault may hold.
  TerminateProcess(GetCurrentProcess(), 1);
  for (;;) Sleep(INFINITE);
}

// The box runs on a thread of its own: a box on the faulting thread would go on dispatching the
// window's messages, timers included. That thread may never start (a new thread first takes the
// loader's lock, which the faulting thread may hold), or its box may never show: the wait for
// it is bounded.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info) {
  if (InterlockedExchange(&gCrashing, 1) != 0) EndNow();  // in the box's thread, or a second one
  AbandonForm1();
  DWORD code = info->ExceptionRecord->ExceptionCode;
  for (int i = 7; i >= 0; --i, code >>= 4) gCrashCode[i] = L"0123456789ABCDEF"[code & 0xF];
  DWORD boxThread = 0;
  HANDLE box = CreateThread(nullptr, 0, ShowCrashBox, nullptr, 0, &boxThread);
  const DWORD start = GetTickCount();
  bool shown = false;
  while (box && !shown && GetTickCount() - start < kBoxDeadlineMs) {
    if (WaitForSingleObject(box, 50) == WAIT_OBJECT_0) break;  // no box could be made
    EnumThreadWindows(boxThread, FindShown, reinterpret_cast<LPARAM>(&shown));
  }
  if (shown) WaitForSingleObject(box, INFINITE);
  EndNow();
}

}  // namespace

std::wstring StoppedText(std::wstring_view where, std::wstring_view what) {
  std::wstring text = L"Orvane stopped because of an unexpected error";
  if (!where.empty()) text.append(L" in ").append(where);
  return text.append(L":\n\n").append(what);
}

void ShowFatal(std::wstring_view what) {
  MessageBoxW(nullptr, StoppedText({}, what).c_str(), L"Orvane", kFatalBox);
}

void InstallCrashReport() {
  const std::wstring text = StoppedText({}, L"exception 0x00000000");
  text.copy(gCrashText, std::size(gCrashText) - 1);
  gCrashCode = gCrashText + text.size() - 8;
  SetUnhandledExceptionFilter(ReportCrash);
}

}  // namespace orvane::win32
