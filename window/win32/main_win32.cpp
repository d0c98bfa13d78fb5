// Orvane.exe: creates Form1, runs its load event, shows it and runs the message loop.
#include <windows.h>
#include <commctrl.h>

#include <exception>

#include "power/power_platform.h"
#include "power/sleep_hold.h"
#include "window/win32/crash_win32.h"
#include "window/win32/form1_win32.h"
#include "window/win32/single_instance_win32.h"
#include "window/win32/system_win32.h"
#include "window/win32/text_win32.h"

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
  orvane::win32::RestrictDllSearchToSystem();
  orvane::win32::InstallCrashReport();
  // Before anything is shown, the welcome box included.
  if (!orvane::win32::TakeRunningMark()) return 0;
  INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_WIN95_CLASSES};
  InitCommonControlsEx(&controls);
  try {
    const auto platform = orvane::MakeSystemPowerPlatform();
    const auto hold = orvane::MakeSystemSleepHold();
    const auto form = orvane::win32::Form1Window::Create(instance, *platform, *hold);
    form->LoadAndShow();
    return form->Run();
  } catch (const std::exception& e) {
    orvane::win32::ShowFatal(orvane::win32::Widen(e.what()));
    return 1;
  }
}
