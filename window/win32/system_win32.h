// The system DLLs Orvane.exe loads at run time come from the system folder only: never from the
// folder the program was started from (a downloads folder may hold anything) nor from PATH.
#pragma once

#include <windows.h>

#include "window/win32/handles_win32.h"

namespace orvane::win32 {

// Limits every later DLL search of the process to the system folder. Call first thing.
void RestrictDllSearchToSystem();

// Loads a DLL of the system folder by its file name; empty when it is missing.
UniqueModule LoadSystemLibrary(const wchar_t* name);

// Whether the "system" is Wine, whose ntdll names its version.
bool RunsUnderWine();

}  // namespace orvane::win32
