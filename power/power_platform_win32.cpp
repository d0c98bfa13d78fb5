// The real Windows calls behind ModPower: kernel32 for the version and the process, advapi32 for
// the token, user32 for the exit request. The records are passed as Windows lays them out.
#include <windows.h>

#include <cstring>
#include <string>

#include "power/power_platform.h"
#include "power/refusal_cause.h"

namespace orvane {
namespace {

static_assert(sizeof(OSVERSIONINFOA) == sizeof(OsVersionInfoA));
static_assert(sizeof(LUID) == sizeof(Luid));
static_assert(sizeof(LUID_AND_ATTRIBUTES) == sizeof(LuidAndAttributes));
static_assert(sizeof(TOKEN_PRIVILEGES) + sizeof(LUID_AND_ATTRIBUTES) == sizeof(TokenPrivileges));

// The system's text for an error code, as UTF-8.
std::string ErrorText(DWORD code) {
  wchar_t* buffer = nullptr;
  const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                     FORMAT_MESSAGE_IGNORE_INSERTS,
                                 nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring wide = n ? std::wstring(buffer, n) : std::wstring();
  if (buffer) LocalFree(buffer);
  while (!wide.empty() && (wide.back() == L'\n' || wide.back() == L'\r' || wide.back() == L' '))
    wide.pop_back();
  std::string text;
  if (!wide.empty()) {
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                          nullptr, 0, nullptr, nullptr);
    text.resize(static_cast<std::size_t>(bytes));
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), text.data(), bytes,
                        nullptr, nullptr);
  }
  const std::string number = "(error " + std::to_string(code) + ")";
  return text.empty() ? number : text + " " + number;
}

class Win32PowerPlatform final : public PowerPlatform {
 public:
  bool GetVersionExA(OsVersionInfoA& info) override {
    OSVERSIONINFOA v;
    std::memcpy(&v, &info, sizeof v);
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    const BOOL ok = ::GetVersionExA(&v);
#pragma GCC diagnostic pop
    std::memcpy(&info, &v, sizeof v);
    return ok != FALSE;
  }

  ProcessHandle GetCurrentProcess() override {
    return reinterpret_cast<ProcessHandle>(::GetCurrentProcess());
  }

  bool OpenProcessToken(ProcessHandle process, std::uint32_t desiredAccess,
                        TokenHandle& token) override {
    HANDLE h = nullptr;
    const BOOL ok = ::OpenProcessToken(reinterpret_cast<HANDLE>(process), desiredAccess, &h);
    token = reinterpret_cast<TokenHandle>(h);
    return ok != FALSE;
  }

  bool LookupPrivilegeValueA(const char* systemName, const char* name, Luid& luid) override {
    LUID l;
    std::memcpy(&l, &luid, sizeof l);
    const BOOL ok = ::LookupPrivilegeValueA(systemName, name, &l);
    std::memcpy(&luid, &l, sizeof l);
    return ok != FALSE;
  }

  bool AdjustTokenPrivileges(TokenHandle token, bool disableAll, const TokenPrivileges& newState,
                             std::uint32_t bufferLength, TokenPrivileges& previousState,
                             std::uint32_t& returnLength) override {
    // Both records are TOKEN_PRIVILEGES with room for a second entry.
    alignas(TOKEN_PRIVILEGES) unsigned char next[sizeof(TokenPrivileges)];
    alignas(TOKEN_PRIVILEGES) unsigned char previous[sizeof(TokenPrivileges)];
    std::memcpy(next, &newState, sizeof next);
    std::memcpy(previous, &previousState, sizeof previous);
    DWORD length = returnLength;
    const BOOL ok = ::AdjustTokenPrivileges(
        reinterpret_cast<HANDLE>(token), disableAll ? TRUE : FALSE,
        reinterpret_cast<TOKEN_PRIVILEGES*>(next), bufferLength,
        reinterpret_cast<TOKEN_PRIVILEGES*>(previous), &length);
    // Success with ERROR_NOT_ALL_ASSIGNED: the account does not hold the privilege at all.
    privilegeNotAssigned_ = ok != FALSE && GetLastError() == ERROR_NOT_ALL_ASSIGNED;
    std::memcpy(&previousState, previous, sizeof previous);
    returnLength = length;
    return ok != FALSE;
  }

  void CloseHandle(TokenHandle token) override { ::CloseHandle(reinterpret_cast<HANDLE>(token)); }

  PowerResult ExitWindowsEx(std::uint32_t flags, std::uint32_t reserved) override {
    if (::ExitWindowsEx(flags, reserved)) return {true, {}};
    const DWORD error = GetLastError();
    return {false, ErrorText(error), WindowsRefusalCause(error, privilegeNotAssigned_)};
  }

 private:
  bool privilegeNotAssigned_ = false;
};

}  // namespace

std::unique_ptr<PowerPlatform> MakeSystemPowerPlatform() {
  return std::make_unique<Win32PowerPlatform>();
}

}  // namespace orvane
