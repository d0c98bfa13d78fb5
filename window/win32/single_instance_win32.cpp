#include "window/win32/single_instance_win32.h"

#include <windows.h>

#include "window/win32/form1_win32.h"

namespace orvane::win32 {
namespace {

// How long a second start waits for the running Orvane to show something: it may have taken
// the mark a moment ago and not yet made its window.
constexpr DWORD kWaitForRunningMs = 5000;

struct Search {
  DWORD process;
  HWND found;
};

BOOL CALLBACK FindShownOf(HWND hwnd, LPARAM lp) {
  auto* search = reinterpret_cast<Search*>(lp);
  DWORD process = 0;
  GetWindowThreadProcessId(hwnd, &process);
  if (process != search->process || !IsWindowVisible(hwnd)) return TRUE;
  search->found = hwnd;
  return FALSE;
}

// The running Orvane's window, or while it is hidden the box it shows (the welcome box), in
// front; false when there is nothing of it to show yet.
bool BringRunningForward() {
  HWND form = FindWindowW(kFormClass, nullptr);
  if (!form) return false;
  HWND target = form;
  if (!IsWindowVisible(form)) {
    Search search{0, nullptr};
    GetWindowThreadProcessId(form, &search.process);
    EnumWindows(FindShownOf, reinterpret_cast<LPARAM>(&search));
    if (!search.found) return false;
    target = search.found;
  }
  // Asynchronous: a busy or hung Orvane must not hold this one.
  if (IsIconic(target)) ShowWindowAsync(target, SW_RESTORE);
  // This process was just started by the user and may take the foreground.
  SetForegroundWindow(target);
  return true;
}

}  // namespace

bool TakeRunningMark() {
  const DWORD start = GetTickCount();
  for (;;) {
    HANDLE mark = CreateMutexW(nullptr, FALSE, kRunningMark);
    const DWORD error = GetLastError();
    // Ours from here on; the system closes it when the process ends.
    if (mark && error != ERROR_ALREADY_EXISTS) return true;
    // A name we cannot have at all (not a mutex): run rather than not at all.
    if (!mark && error != ERROR_ACCESS_DENIED) return true;
    if (mark) CloseHandle(mark);  // not to keep the other's mark alive
    if (BringRunningForward() || GetTickCount() - start >= kWaitForRunningMs) return false;
    // Not shown yet, or ending: ask again, and take the mark if it has gone meanwhile.
    Sleep(100);
  }
}

}  // namespace orvane::win32
