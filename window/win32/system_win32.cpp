#include "window/win32/system_win32.h"

#include <string>

namespace orvane::win32 {

void RestrictDllSearchToSystem() {
  // Windows 8 on, and Windows 7 with its 2011 loader update; elsewhere LoadSystemLibrary's full
  // path does the same for the DLLs we load ourselves.
  using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
  const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
  if (setDefault) setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
}

UniqueModule LoadSystemLibrary(const wchar_t* name) {
  if (HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
    return UniqueModule(module);
  }
  // A loader without the search flags refuses them as an invalid parameter: name the file by
  // its full path in the system folder instead.
  if (GetLastError() != ERROR_INVALID_PARAMETER) return UniqueModule();
  std::wstring path(MAX_PATH, L'\0');
  const UINT length = GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
  if (length == 0 || length >= path.size()) return UniqueModule();
  path.resize(length);
  path += L'\\';
  path += name;
  return UniqueModule(LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
}

bool RunsUnderWine() {
  return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

}  // namespace orvane::win32
