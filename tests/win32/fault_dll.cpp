// orvane-fault.dll: a test-only DLL, loaded into Orvane.exe by orvane-inject, that faults when
// the suite asks (the event "Local\OrvaneFault"). ORVANE_FAULT says how:
//   loader-lock  on a thread of its own that holds the loader's lock: no new thread of the
//                process can start until the process ends
//   thread       on a thread of its own, holding nothing
//   twice        on two threads of its own at once, holding nothing
// Without ORVANE_FAULT it does nothing.
#include <windows.h>

#include <cwchar>

namespace {

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

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, void*) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  wchar_t how[32] = {};
  if (GetEnvironmentVariableW(L"ORVANE_FAULT", how, 32) == 0) return TRUE;
  gHoldLoaderLock = std::wcscmp(how, L"loader-lock") == 0;
  const int threads = std::wcscmp(how, L"twice") == 0 ? 2 : 1;
  if (!gHoldLoaderLock && threads == 1 && std::wcscmp(how, L"thread") != 0) return TRUE;
  HANDLE asked = CreateEventW(nullptr, TRUE, FALSE, L"Local\\OrvaneFault");
  for (int i = 0; asked && i < threads; ++i) {
    // Starts once the loader lets go of its lock, after this load.
    if (HANDLE thread = CreateThread(nullptr, 0, FaultWhenAsked, asked, 0, nullptr)) CloseHandle(thread);
  }
  return TRUE;
}
