// The platform calls ModPower makes, one virtual per call, with records laid out as Windows
// lays out OSVERSIONINFOA and TOKEN_PRIVILEGES. Implementations: Win32 (the real calls), logind
// (Linux) and the recording fake of the unit tests.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace orvane {

struct OsVersionInfoA {
  std::uint32_t dwOSVersionInfoSize;
  std::uint32_t dwMajorVersion;
  std::uint32_t dwMinorVersion;
  std::uint32_t dwBuildNumber;
  std::uint32_t dwPlatformId;
  char szCSDVersion[128];
};
static_assert(sizeof(OsVersionInfoA) == 148);

inline constexpr std::uint32_t kVerPlatformWin32Windows = 1;
inline constexpr std::uint32_t kVerPlatformWin32Nt = 2;

struct Luid {
  std::uint32_t LowPart;
  std::int32_t HighPart;
  friend bool operator==(const Luid&, const Luid&) = default;
};

struct LuidAndAttributes {
  Luid Luid_;
  std::uint32_t Attributes;
};
static_assert(sizeof(LuidAndAttributes) == 12);

// Room for two entries; only the first is used.
struct TokenPrivileges {
  std::uint32_t PrivilegeCount;
  std::array<LuidAndAttributes, 2> Privileges;
};
static_assert(sizeof(TokenPrivileges) == 28);

inline constexpr std::uint32_t kTokenAdjustPrivileges = 0x20;
inline constexpr std::uint32_t kTokenQuery = 0x08;
inline constexpr std::uint32_t kSePrivilegeEnabled = 2;
inline constexpr char kSeShutdownName[] = "SeShutdownPrivilege";

// The exit flags of ExitWindowsEx: one action, plus kEwxForce for a forced one.
inline constexpr std::uint32_t kEwxLogoff = 0;
inline constexpr std::uint32_t kEwxShutdown = 1;
inline constexpr std::uint32_t kEwxReboot = 2;
inline constexpr std::uint32_t kEwxForce = 4;

// Opaque platform handles; 0 is "none".
using ProcessHandle = std::uintptr_t;
using TokenHandle = std::uintptr_t;

// Why an exit request was not carried out, as far as the platform can tell.
enum class RefusalCause {
  Other,           // refused for a reason we have no plainer words for
  NotAllowed,      // only with an administrator's password
  Inhibited,       // an application holds a lock that blocks it
  NoSession,       // no login session of ours to end
  NoLoginManager,  // nothing on the system takes such requests
  NoAnswer,        // asked, but no answer in time: it may still happen
  NotAsked,        // the login manager did not answer before anything was asked of it
  UnderWay,        // a shutdown or restart is already under way
};

// The platform's answer to the exit request: accepted, or refused with a readable reason.
struct PowerResult {
  bool accepted = false;
  std::string reason;  // UTF-8, empty when accepted: the system's own words
  RefusalCause cause = RefusalCause::Other;
  int waitedSeconds = 0;  // NoAnswer, NotAsked: how long the system was given
};

class PowerPlatform {
 public:
  virtual ~PowerPlatform() = default;
  virtual bool GetVersionExA(OsVersionInfoA& info) = 0;
  virtual ProcessHandle GetCurrentProcess() = 0;
  virtual bool OpenProcessToken(ProcessHandle process, std::uint32_t desiredAccess,
                                TokenHandle& token) = 0;
  virtual bool LookupPrivilegeValueA(const char* systemName, const char* name, Luid& luid) = 0;
  virtual bool AdjustTokenPrivileges(TokenHandle token, bool disableAll,
                                     const TokenPrivileges& newState, std::uint32_t bufferLength,
                                     TokenPrivileges& previousState,
                                     std::uint32_t& returnLength) = 0;
  virtual void CloseHandle(TokenHandle token) = 0;
  virtual PowerResult ExitWindowsEx(std::uint32_t flags, std::uint32_t reserved) = 0;
};

}  // namespace orvane

#include <memory>

namespace orvane {
// The real platform of this build: Win32 on Windows, systemd-logind on Linux.
std::unique_ptr<PowerPlatform> MakeSystemPowerPlatform();
}  // namespace orvane
