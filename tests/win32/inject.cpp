// orvane-inject: starts a program with one DLL of ours loaded into it before its first
// instruction, for the test-only DLLs of the end-to-end suites.
//
//   orvane-inject DLL PROGRAM [ARGUMENT...]
//
// PROGRAM starts suspended; it loads DLL (by its full path) on a thread of its own, made there
// for that; then it runs. The launcher waits for its end and ends with its exit status (3 when
// the injection failed, after ending PROGRAM). PROGRAM runs in a job that ends with the
// launcher: stopping the launcher stops the program.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

// One argument as CreateProcess's command line wants it.
std::wstring Quoted(const std::wstring& arg) {
  if (!arg.empty() && arg.find_first_of(L" \t\"") == std::wstring::npos) return arg;
  std::wstring quoted = L"\"";
  std::size_t backslashes = 0;
  for (const wchar_t c : arg) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
    backslashes = 0;
    quoted += c;
  }
  return quoted.append(2 * backslashes, L'\\') + L'"';
}

int Fail(const char* what) {
  std::fprintf(stderr, "orvane-inject: %s failed (error %lu)\n", what, GetLastError());
  return 3;
}

// Runs LoadLibraryW(dll) in the process on a thread of its own and waits for it. The system DLLs
// sit at the same address in every process of one bitness, so the launcher's LoadLibraryW is
// the program's.
bool Inject(HANDLE process, const std::wstring& dll) {
  const SIZE_T bytes = (dll.size() + 1) * sizeof(wchar_t);
  void* remote = VirtualAllocEx(process, nullptr, bytes, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
  if (!remote || !WriteProcessMemory(process, remote, dll.c_str(), bytes, nullptr)) return false;
  const auto load = reinterpret_cast<LPTHREAD_START_ROUTINE>(reinterpret_cast<void (*)()>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "LoadLibraryW")));
  HANDLE thread = CreateRemoteThread(process, nullptr, 0, load, remote, 0, nullptr);
  if (!thread) return false;
  DWORD loaded = 0;  // the module's handle, cut to 32 bits: zero when it did not load
  const bool done = WaitForSingleObject(thread, 30000) == WAIT_OBJECT_0 && GetExitCodeThread(thread, &loaded);
  CloseHandle(thread);
  if (done && loaded == 0) SetLastError(ERROR_MOD_NOT_FOUND);
  return done && loaded != 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: orvane-inject DLL PROGRAM [ARGUMENT...]\n");
    return 2;
  }
  wchar_t dll[MAX_PATH];
  const DWORD length = GetFullPathNameW(argv[1], MAX_PATH, dll, nullptr);
  if (length == 0 || length >= MAX_PATH) return Fail("GetFullPathNameW");
  std::wstring command;
  for (int i = 2; i < argc; ++i) command += (i > 2 ? L" " : L"") + Quoted(argv[i]);

  HANDLE job = CreateJobObjectW(nullptr, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (!job || !SetInformationJobObject(job, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    return Fail("the job");
  }
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr,
                      &startup, &process)) {
    return Fail("CreateProcessW");
  }
  if (!AssignProcessToJobObject(job, process.hProcess) || !Inject(process.hProcess, dll)) {
    const int status = Fail("the injection");
    TerminateProcess(process.hProcess, 3);
    return status;
  }
  ResumeThread(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 0;
  GetExitCodeProcess(process.hProcess, &status);
  return static_cast<int>(status);
}
