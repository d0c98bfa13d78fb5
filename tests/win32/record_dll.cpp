// orvane-record.dll: a test-only DLL that orvane-inject loads into the real Orvane.exe before its
// first instruction. It points the program's import slots of the calls below at functions of its
// own, which write each call to the file named by ORVANE_RECORD, one line a call:
//
//   <ms since the load> <Name>(<argument>,...) = <answer>
//
// numbers in hex (8 digits), texts quoted, with \n, \", \\ and \xNN escapes. ExitWindowsEx never
// reaches the system: it answers TRUE, as Windows does when the request is taken, or FALSE with
// the error ORVANE_REFUSE names (decimal: 1314 for a missing privilege, 1115 for a shutdown
// already under way). Every other call goes on to the system, so the boxes still show.
// SetDefaultDllDirectories, which the program looks up itself, is caught at GetProcAddress.
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

namespace {

HANDLE gFile = INVALID_HANDLE_VALUE;
ULONGLONG gStart = 0;
DWORD gRefusal = 0;

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

void Quote(std::string& out, unsigned long long number) {
  char hex[24];
  std::snprintf(hex, sizeof hex, "%08llx", number);
  out += hex;
}

// One line for one call: its name, its arguments, then its answer. The error code is kept.
template <typename... Args>
void Record(const char* name, unsigned long long answer, Args... args) {
  const DWORD error = GetLastError();
  char stamp[24];
  std::string line(stamp, static_cast<std::size_t>(std::snprintf(stamp, sizeof stamp, "%llu ", GetTickCount64() - gStart)));
  line += name;
  line += '(';
  [[maybe_unused]] bool first = true;
  ((line += first ? "" : ",", first = false, Quote(line, args)), ...);
  line += ") = ";
  Quote(line, answer);
  line += '\n';
  DWORD written = 0;
  if (gFile != INVALID_HANDLE_VALUE) WriteFile(gFile, line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
  SetLastError(error);
}

unsigned long long Number(const void* p) { return reinterpret_cast<std::uintptr_t>(p); }

// The calls caught, each with the system's own function it stands in for.
struct Hook {
  const char* dll;
  const char* name;
  void* own;
  void* system;
};
extern Hook gHooks[];

template <typename Fn>
Fn System(int i) {
  return reinterpret_cast<Fn>(gHooks[i].system);
}

BOOL WINAPI OwnExitWindowsEx(UINT flags, DWORD reason) {
  SetLastError(gRefusal);
  const BOOL ok = gRefusal == 0;
  Record("ExitWindowsEx", static_cast<unsigned>(ok), flags, reason);
  return ok;
}

BOOL WINAPI OwnAdjustTokenPrivileges(HANDLE token, BOOL disableAll, PTOKEN_PRIVILEGES next, DWORD length,
                                     PTOKEN_PRIVILEGES previous, PDWORD returned) {
  const BOOL ok = System<decltype(&AdjustTokenPrivileges)>(0)(token, disableAll, next, length, previous, returned);
  // How many privileges are asked for, and what for the first.
  const DWORD count = next ? next->PrivilegeCount : 0;
  Record("AdjustTokenPrivileges", static_cast<unsigned>(ok), static_cast<unsigned>(disableAll), count,
         count ? next->Privileges[0].Attributes : 0ul, length);
  return ok;
}

BOOL WINAPI OwnOpenProcessToken(HANDLE process, DWORD access, PHANDLE token) {
  const BOOL ok = System<decltype(&OpenProcessToken)>(1)(process, access, token);
  Record("OpenProcessToken", static_cast<unsigned>(ok), process == GetCurrentProcess() ? 0xffffffffull : Number(process), access);
  return ok;
}

BOOL WINAPI OwnLookupPrivilegeValueA(LPCSTR system, LPCSTR name, PLUID luid) {
  const BOOL ok = System<decltype(&LookupPrivilegeValueA)>(2)(system, name, luid);
  Record("LookupPrivilegeValueA", static_cast<unsigned>(ok), system, name);
  return ok;
}

EXECUTION_STATE WINAPI OwnSetThreadExecutionState(EXECUTION_STATE state) {
  const EXECUTION_STATE previous = System<decltype(&SetThreadExecutionState)>(3)(state);
  Record("SetThreadExecutionState", previous, state);
  return previous;
}

int WINAPI OwnMessageBoxW(HWND owner, LPCWSTR text, LPCWSTR title, UINT style) {
  const int answer = System<decltype(&MessageBoxW)>(4)(owner, text, title, style);
  Record("MessageBoxW", static_cast<unsigned>(answer), owner ? 1ull : 0ull, title, text, style);
  return answer;
}

BOOL WINAPI OwnGetVersionExA(LPOSVERSIONINFOA info) {
  const BOOL ok = System<decltype(&GetVersionExA)>(5)(info);
  Record("GetVersionExA", static_cast<unsigned>(ok));
  return ok;
}

LONG WINAPI OwnGetWindowLongA(HWND hwnd, int index) {
  const LONG value = System<decltype(&GetWindowLongA)>(6)(hwnd, index);
  Record("GetWindowLongA", static_cast<unsigned long>(value), static_cast<unsigned>(index));
  return value;
}

LONG WINAPI OwnSetWindowLongA(HWND hwnd, int index, LONG value) {
  const LONG previous = System<decltype(&SetWindowLongA)>(7)(hwnd, index, value);
  Record("SetWindowLongA", static_cast<unsigned long>(previous), static_cast<unsigned>(index), static_cast<unsigned long>(value));
  return previous;
}

BOOL WINAPI OwnSetLayeredWindowAttributes(HWND hwnd, COLORREF key, BYTE alpha, DWORD flags) {
  const BOOL ok = System<decltype(&SetLayeredWindowAttributes)>(8)(hwnd, key, alpha, flags);
  Record("SetLayeredWindowAttributes", static_cast<unsigned>(ok), key, alpha, flags);
  return ok;
}

BOOL WINAPI OwnShowWindow(HWND hwnd, int how) {
  const BOOL was = System<decltype(&ShowWindow)>(9)(hwnd, how);
  wchar_t cls[64] = {};
  GetClassNameW(hwnd, cls, 64);
  Record("ShowWindow", static_cast<unsigned>(was), cls, static_cast<unsigned>(how));
  return was;
}

BOOL WINAPI OwnReleaseCapture() {
  const BOOL ok = System<decltype(&ReleaseCapture)>(10)();
  Record("ReleaseCapture", static_cast<unsigned>(ok));
  return ok;
}

LRESULT WINAPI OwnSendMessageA(HWND hwnd, UINT message, WPARAM wp, LPARAM lp) {
  Record("SendMessageA", 0, message, wp, static_cast<unsigned long long>(lp));  // before: a move returns late
  return System<decltype(&SendMessageA)>(11)(hwnd, message, wp, lp);
}

HMODULE WINAPI OwnLoadLibraryExW(LPCWSTR name, HANDLE file, DWORD flags) {
  HMODULE module = System<decltype(&LoadLibraryExW)>(12)(name, file, flags);
  // Only the file's own name: the system folder differs from machine to machine.
  const wchar_t* slash = name ? std::wcsrchr(name, L'\\') : nullptr;
  Record("LoadLibraryExW", module ? 1ull : 0ull, slash ? slash + 1 : name, flags);
  return module;
}

HMODULE WINAPI OwnLoadLibraryW(LPCWSTR name) {
  HMODULE module = System<decltype(&LoadLibraryW)>(16)(name);
  Record("LoadLibraryW", module ? 1ull : 0ull, name);
  return module;
}

using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
BOOL WINAPI OwnSetDefaultDllDirectories(DWORD flags) {
  const BOOL ok = System<SetDefaultDllDirectoriesFn>(13)(flags);
  Record("SetDefaultDllDirectories", static_cast<unsigned>(ok), flags);
  return ok;
}

FARPROC WINAPI OwnGetProcAddress(HMODULE module, LPCSTR name) {
  const FARPROC found = System<decltype(&GetProcAddress)>(14)(module, name);
  if (found && HIWORD(reinterpret_cast<std::uintptr_t>(name)) && std::strcmp(name, "SetDefaultDllDirectories") == 0) {
    gHooks[13].system = reinterpret_cast<void*>(found);
    return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&OwnSetDefaultDllDirectories));
  }
  return found;
}

#define HOOK(dll, name) {dll, #name, reinterpret_cast<void*>(&Own##name), nullptr}
Hook gHooks[] = {
    HOOK("advapi32.dll", AdjustTokenPrivileges), HOOK("advapi32.dll", OpenProcessToken),
    HOOK("advapi32.dll", LookupPrivilegeValueA), HOOK("kernel32.dll", SetThreadExecutionState),
    HOOK("user32.dll", MessageBoxW), HOOK("kernel32.dll", GetVersionExA), HOOK("user32.dll", GetWindowLongA),
    HOOK("user32.dll", SetWindowLongA), HOOK("user32.dll", SetLayeredWindowAttributes),
    HOOK("user32.dll", ShowWindow), HOOK("user32.dll", ReleaseCapture), HOOK("user32.dll", SendMessageA),
    HOOK("kernel32.dll", LoadLibraryExW), {"", "SetDefaultDllDirectories", nullptr, nullptr},
    HOOK("kernel32.dll", GetProcAddress), HOOK("user32.dll", ExitWindowsEx), HOOK("kernel32.dll", LoadLibraryW),
};
#undef HOOK

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
        if (!hook.own || _stricmp(dll, hook.dll) != 0 || std::strcmp(name, hook.name) != 0) continue;
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
  return gHooks[15].system != nullptr && patched > 0;
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
  // Failing the load fails the launch: orvane-inject then ends the program before it runs.
  return PatchImports() ? TRUE : FALSE;
}
