#include "power/mod_power.h"

namespace orvane {
namespace {

// The process token, closed when the adjustment is done with it.
class OwnedToken {
 public:
  explicit OwnedToken(PowerPlatform& platform) : platform_(platform) {}
  ~OwnedToken() {
    if (handle != 0) platform_.CloseHandle(handle);
  }
  OwnedToken(const OwnedToken&) = delete;
  OwnedToken& operator=(const OwnedToken&) = delete;

  TokenHandle handle = 0;

 private:
  PowerPlatform& platform_;
};

}  // namespace

std::uint32_t ExitFlags(std::int16_t force, std::int16_t mode) {
  std::uint32_t flags = mode == kActionShutdown ? kEwxShutdown
                        : mode == kActionReboot ? kEwxReboot
                                                : kEwxLogoff;
  if (force != 0) flags += kEwxForce;
  return flags;
}

PowerResult ModPower::RequestPowerAction(std::int16_t Force, std::int16_t Mode) {
  const std::uint32_t flags = ExitFlags(Force, Mode);
  if (IsWinNT() != 0) EnableShutdownPrivilege();
  return platform_.ExitWindowsEx(flags, 0);
}

std::int16_t ModPower::IsWinNT() {
  OsVersionInfoA info{};
  info.dwOSVersionInfoSize = sizeof(OsVersionInfoA);
  platform_.GetVersionExA(info);
  return info.dwPlatformId == kVerPlatformWin32Nt ? kTrue : kFalse;
}

void ModPower::EnableShutdownPrivilege() {
  TokenPrivileges newState{};
  TokenPrivileges previousState{};
  OwnedToken token(platform_);
  Luid luid{};

  const ProcessHandle process = platform_.GetCurrentProcess();
  platform_.OpenProcessToken(process, kTokenAdjustPrivileges | kTokenQuery, token.handle);

  platform_.LookupPrivilegeValueA("", kSeShutdownName, luid);
  newState.PrivilegeCount = 1;
  newState.Privileges[0].Luid_ = luid;
  newState.Privileges[0].Attributes = kSePrivilegeEnabled;

  constexpr std::uint32_t kEntrySize = sizeof(LuidAndAttributes);
  constexpr std::uint32_t kHeaderSize = sizeof(std::uint32_t);
  std::uint32_t returnLength = kHeaderSize + kEntrySize * previousState.PrivilegeCount;
  const std::uint32_t bufferLength = kHeaderSize + kEntrySize * newState.PrivilegeCount;
  platform_.AdjustTokenPrivileges(token.handle, false, newState, bufferLength, previousState, returnLength);
}

}  // namespace orvane
