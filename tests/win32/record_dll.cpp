// orvane-record.dll: a test-only DLL that the probe's "launch" loads into the real Orvane.exe
// before its first instruction. It points the program's import slots of the calls below at
// functions of its own, which write each call to the file named by ORVANE_RECORD, one a line:
//
//   <ms since the load> <Name>(<argument>,...) = <answer>
//
// numbers in hex (8 digits), texts quoted, with \n, \", \\ and \xNN escapes. ExitWindowsEx never
// reaches the system: it answers TRUE, as Windows does when the request is taken, or FALSE with
// the error ORVANE_REFUSE names (decimal: 1314 for a missing privilege, 1115 for a shutdown
// already under way). Every other call goes on to the system, so the boxes still show.
//
// ORVANE_FAULT makes it fault when the suite asks (the event "Local\OrvaneFault"):
//   loader-lock  on a thread that holds the loader's lock: no new thread of the process can start
//   thread       on a thread of its own, holding nothing
//   twice        on two threads of its own at once, holding nothing
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <type_traits>

namespace {

HANDLE gFile = INVALID_HANDLE_VALUE;
ULONGLONG gStart = 0;
DWORD gRefusal = 0;

// How each kind of argument is written: texts quoted, windows by their class (a handle changes
// from run to run, the class does not), other pointers as "*", numbers in hex.
void Quote(std::string& out, const wchar_t* text) {
  if (!text) {
    out += "NULL";
    return;
  }
  char utf8[4096];
  const int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
  out += '"';
  for (int i = 0; i + 1 < n; ++i) {
    const unsigned char c = static_cast<unsigned char>(utf8[i]);
    char escaped[8];
    if (c == '\n') out += "\\n";
    else if (c == '"' || c == '\\') (out += '\\') += static_cast<char>(c);
    else if (c < 0x20) out.append(escaped, static_cast<std::size_t>(std::snprintf(escaped, sizeof escaped, "\\x%02x", c)));
    else out += static_cast<char>(c);
  }
  out += '"';
}

void Quote(std::string& out, const char* text) {
  wchar_t wide[1024] = {};
  if (text) MultiByteToWideChar(CP_ACP, 0, text, -1, wide, 1024);
  Quote(out, text ? wide : nullptr);
}

void Quote(std::string& out, HWND hwnd) {
  wchar_t cls[64] = {};
  if (hwnd) GetClassNameW(hwnd, cls, 64);
  Quote(out, hwnd ? cls : nullptr);
}

template <typename T>
void Quote(std::string& out, T* pointer) { out += pointer ? "*" : "NULL"; }

template <typename T>
  requires std::is_integral_v<T>
void Quote(std::string& out, T number) {
  char hex[24];
  std::snprintf(hex, sizeof hex, "%08llx", static_cast<unsigned long long>(static_cast<std::make_unsigned_t<T>>(number)));
  out += hex;
}

// One line for one call: its name, its arguments, then its answer. The error code is kept.
template <typename Answer, typename... Args>
void Record(const char* name, Answer answer, Args... args) {
  const DWORD error = GetLastError();
  std::string line = std::to_string(GetTickCount64() - gStart) + " " + name + "(";
  [[maybe_unused]] bool first = true;
  ((line += first ? "" : ",", first = false, Quote(line, args)), ...);
  line += ") = ";
  if constexpr (std::is_pointer_v<Answer>) Quote(line, answer ? 1 : 0);  // a module or a function: found or not
  else Quote(line, answer);
  line += '\n';
  DWORD written = 0;
  if (gFile != INVALID_HANDLE_VALUE) WriteFile(gFile, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  SetLastError(error);
}

// The calls caught, each with the system's own function it stands in for.
struct Hook { const char *dll, *name; void *own, *system; };
extern Hook gHooks[];

// Most calls go on to the system and are written down with their arguments and answer; one that
// may come back late (the system move returns when the move ends) is written first, answer 0.
template <int I, bool Before, typename R, typename... A>
R WINAPI Pass(A... args) {
  if constexpr (Before) Record(gHooks[I].name, R{}, args...);
  const R answer = reinterpret_cast<R(WINAPI*)(A...)>(gHooks[I].system)(args...);
  if constexpr (!Before) Record(gHooks[I].name, answer, args...);
  return answer;
}

BOOL WINAPI OwnExitWindowsEx(UINT flags, DWORD reason) {
  SetLastError(gRefusal);
  const BOOL ok = gRefusal == 0;
  Record("ExitWindowsEx", ok, flags, reason);
  return ok;
}

BOOL WINAPI OwnAdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES next, DWORD length,
                                     PTOKEN_PRIVILEGES previous, PDWORD returned) {
  const BOOL ok = reinterpret_cast<decltype(&AdjustTokenPrivileges)>(gHooks[1].system)(token, disableAll, next, length,
                                                                                      previous, returned);
  // How many privileges are asked for, and what for the first.
  const DWORD count = next ? next->PrivilegeCount : 0;
  Record("AdjustTokenPrivileges", ok, disableAll, count, count ? next->Privileges[0].Attributes : 0ul, length);
  return ok;
}

// SetDefaultDllDirectories is looked up by the program itself (Windows 7 may lack it).
constexpr int kSetDefaultDllDirectories = 5;
FARPROC WINAPI OwnGetProcAddress(HMODULE module, LPCSTR name) {
  const FARPROC found = reinterpret_cast<decltype(&GetProcAddress)>(gHooks[4].system)(module, name);
  Hook& late = gHooks[kSetDefaultDllDirectories];
  if (found && HIWORD(reinterpret_cast<std::uintptr_t>(name)) && std::strcmp(name, late.name) == 0) {
    late.system = reinterpret_cast<void*>(found);
    return reinterpret_cast<FARPROC>(late.own);
  }
  return found;
}

#define OWN(dll, name) {dll, #name, reinterpret_cast<void*>(&Own##name), nullptr}
#define PASS(i, dll, name, ...) {dll, #name, reinterpret_cast<void*>(&Pass<i, false, __VA_ARGS__>), nullptr}
#define FIRST(i, dll, name, ...) {dll, #name, reinterpret_cast<void*>(&Pass<i, true, __VA_ARGS__>), nullptr}
Hook gHooks[] = {
    OWN("user32.dll", ExitWindowsEx),
    OWN("advapi32.dll", AdjustTokenPrivileges),
    PASS(2, "user32.dll", MessageBoxW, int, HWND, LPCWSTR, LPCWSTR, UINT),
    PASS(3, "kernel32.dll", LoadLibraryExW, HMODULE, LPCWSTR, HANDLE, DWORD),
    OWN("kernel32.dll", GetProcAddress),
    PASS(5, "", SetDefaultDllDirectories, BOOL, DWORD),
    FIRST(6, "user32.dll", SendMessageA, LRESULT, HWND, UINT, WPARAM, LPARAM),
    PASS(7, "advapi32.dll", OpenProcessToken, BOOL, HANDLE, DWORD, PHANDLE),
    PASS(8, "advapi32.dll", LookupPrivilegeValueA, BOOL, LPCSTR, LPCSTR, PLUID),
    PASS(9, "kernel32.dll", SetThreadExecutionState, EXECUTION_STATE, EXECUTION_STATE),
    PASS(10, "kernel32.dll", GetVersionExA, BOOL, LPOSVERSIONINFOA),
    PASS(11, "kernel32.dll", LoadLibraryW, HMODULE, LPCWSTR),
    PASS(12, "user32.dll", GetWindowLongA, LONG, HWND, int),
    PASS(13, "user32.dll", SetWindowLongA, LONG, HWND, int, LONG),
    PASS(14, "user32.dll", SetLayeredWindowAttributes, BOOL, HWND, COLORREF, BYTE, DWORD),
    PASS(15, "user32.dll", ShowWindow, BOOL, HWND, int),
    PASS(16, "user32.dll", ReleaseCapture, BOOL),
};
#undef OWN
#undef PASS
#undef FIRST

// Points the main module's import slots of the calls above at ours. The slots hold the system's
// functions by the time the first instruction of the program would run.
bool PatchImports() {
  auto* base = reinterpret_cast<BYTE*>(GetModuleHandleW(nullptr));
  const auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
  const auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
  const IMAGE_DATA_DIRECTORY& dir = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
  int patched = 0;
  for (auto* d = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + dir.VirtualAddress); dir.VirtualAddress && d->Name; ++d) {
    const char* dll = reinterpret_cast<const char*>(base + d->Name);
    auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + (d->OriginalFirstThunk ? d->OriginalFirstThunk : d->FirstThunk));
    auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + d->FirstThunk);
    for (; names->u1.AddressOfData; ++names, ++slots) {
      if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
      const char* name = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData)->Name;
      for (Hook& hook : gHooks) {
        if (_stricmp(dll, hook.dll) != 0 || std::strcmp(name, hook.name) != 0) continue;
        DWORD old = 0;
        if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &old)) return false;
        hook.system = reinterpret_cast<void*>(slots->u1.Function);
        slots->u1.Function = reinterpret_cast<std::uintptr_t>(hook.own);
        VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, old, &old);
        ++patched;
      }
    }
  }
  // Never let a request through: without our ExitWindowsEx in place the program must not run.
  return gHooks[0].system != nullptr && patched > 0;
}

// ---- faults on demand ----
using LdrLockLoaderLockFn = LONG(NTAPI*)(ULONG flags, ULONG* state, ULONG_PTR* cookie);
bool gHoldLoaderLock = false;

DWORD WINAPI FaultWhenAsked(void* asked) {
  WaitForSingleObject(asked, INFINITE);
  if (gHoldLoaderLock) {
    const auto lock = reinterpret_cast<LdrLockLoaderLockFn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "LdrLockLoaderLock")));
    ULONG state = 0;
    ULONG_PTR cookie = 0;
    if (!lock || lock(0, &state, &cookie) != 0) return 1;  // never let go
  }
  RaiseException(EXCEPTION_ACCESS_VIOLATION, 0, 0, nullptr);
  return 0;
}

void ArmFault() {
  wchar_t how[32] = {};
  if (GetEnvironmentVariableW(L"ORVANE_FAULT", how, 32) == 0) return;
  gHoldLoaderLock = std::wcscmp(how, L"loader-lock") == 0;
  const int threads = std::wcscmp(how, L"twice") == 0 ? 2 : 1;
  if (!gHoldLoaderLock && threads == 1 && std::wcscmp(how, L"thread") != 0) return;
  HANDLE asked = CreateEventW(nullptr, TRUE, FALSE, L"Local\\OrvaneFault");
  for (int i = 0; asked && i < threads; ++i) {
    // Starts once the loader lets go of its lock, after this load.
    if (HANDLE thread = CreateThread(nullptr, 0, FaultWhenAsked, asked, 0, nullptr)) CloseHandle(thread);
  }
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  gStart = GetTickCount64();
  wchar_t path[MAX_PATH] = {}, refusal[16] = {};
  const DWORD length = GetEnvironmentVariableW(L"ORVANE_RECORD", path, MAX_PATH);
  if (length > 0 && length < MAX_PATH) {
    gFile = CreateFileW(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
  }
  if (GetEnvironmentVariableW(L"ORVANE_REFUSE", refusal, 16)) gRefusal = std::wcstoul(refusal, nullptr, 10);
  ArmFault();
  // Failing the load fails the launch: the probe then ends the program before it runs.
  return PatchImports() ? TRUE : FALSE;
}
