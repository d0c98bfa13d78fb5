// How Orvane.exe ends when something goes wrong: one text for every such end, a box for an
// error outside the window, and the crash report (an access violation and the like).
#pragma once

#include <string>
#include <string_view>

namespace orvane::win32 {

// "Orvane stopped because of an unexpected error[ in WHERE]:\n\nWHAT", the text of every box
// that says the program stopped.
std::wstring StoppedText(std::wstring_view where, std::wstring_view what);

// The box for an error that no procedure caught; the caller then ends with status 1.
void ShowFatal(std::wstring_view what);

// From here on a crash abandons the window and says so in a box of its own, then ends the
// process with status 1. The box comes within a few seconds or the process ends without it; a
// fault while one is being reported ends the process at once.
void InstallCrashReport();

}  // namespace orvane::win32
