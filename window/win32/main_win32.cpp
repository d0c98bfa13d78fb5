// Orvane.exe: creates Form1, runs its load event, shows it and runs the message loop.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <exception>
#include <string>

#include "power/power_platform.h"
#include "power/sleep_hold.h"
#include "window/win32/form1_win32.h"
#include "window/win32/system_win32.h"
#include "window/win32/text_win32.h"

namespace {

constexpr UINT kFatalBox = MB_OK | MB_ICONERROR | MB_SETFOREGROUND | MB_TOPMOST;

void ShowFatal(const std::wstring& what) {
  const std::wstring text = L"Orvane stopped because of an unexpected error:\n\n" + what;
  MessageBoxW(nullptr, text.c_str(), L"Orvane", kFatalBox);
}

wchar_t gCrashText[160];

DWORD WINAPI ShowCrashBox(void*) {
  MessageBoxW(nullptr, gCrashText, L"Orvane", kFatalBox);
  return 0;
}

// A crash (an access violation and the like) ends in a box, not in silence. The window is
// abandoned first (no tick, no click, no request), and the box runs on a thread of its own: a
// box on this thread would go on dispatching the window's messages, timers included.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info) {
  orvane::win32::AbandonForm1();
  std::swprintf(gCrashText, 160, L"Orvane stopped because of an unexpected error:\n\nexception 0x%08lX",
                static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode));
  if (HANDLE box = CreateThread(nullptr, 0, ShowCrashBox, nullptr, 0, nullptr)) {
    WaitForSingleObject(box, INFINITE);
    CloseHandle(box);
  }
  return EXCEPTION_EXECUTE_HANDLER;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  orvane::win32::RestrictDllSearchToSystem();
  SetUnhandledExceptionFilter(ReportCrash);
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  try {
    const auto platform = orvane::MakeSystemPowerPlatform();
    const auto hold = orvane::MakeSystemSleepHold();
    const auto form = orvane::win32::Form1Window::Create(instance, *platform, *hold);
    form->LoadAndShow();
    return form->Run();
  } catch (const std::exception& e) {
    ShowFatal(orvane::win32::Widen(e.what()));
    return 1;
  }
}
