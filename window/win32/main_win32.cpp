// Orvane.exe: creates Form1, runs its load event, shows it and runs the message loop.
#include <windows.h>
#include <commctrl.h>

#include <cstdio>
#include <exception>
#include <string>

#include "power/power_platform.h"
#include "window/win32/form1_win32.h"
#include "window/win32/system_win32.h"
#include "window/win32/text_win32.h"

namespace {

void ShowFatal(const std::wstring& what) {
  const std::wstring text = L"Orvane stopped because of an unexpected error:\n\n" + what;
  MessageBoxW(nullptr, text.c_str(), L"Orvane", MB_OK | MB_ICONERROR | MB_SETFOREGROUND);
}

// A crash (an access violation and the like) ends in a box, not in silence.
LONG WINAPI ReportCrash(EXCEPTION_POINTERS* info) {
  wchar_t code[64];
  std::swprintf(code, 64, L"exception 0x%08lX",
                static_cast<unsigned long>(info->ExceptionRecord->ExceptionCode));
  ShowFatal(code);
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
    const auto form = orvane::win32::Form1Window::Create(instance, *platform);
    form->LoadAndShow();
    return form->Run();
  } catch (const std::exception& e) {
    ShowFatal(orvane::win32::Widen(e.what()));
    return 1;
  }
}
