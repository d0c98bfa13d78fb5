// ModPower: turns an action code and a force flag into the operating system's exit request,
// after the platform-family test and, on the NT family, enabling the shutdown privilege.
#pragma once

#include <cstdint>
#include <string>

#include "power/power_platform.h"

namespace orvane {

// Action codes. Any other value is treated as a log-off.
inline constexpr std::int16_t kActionLogoff = 0;
inline constexpr std::int16_t kActionShutdown = 1;
inline constexpr std::int16_t kActionReboot = 2;

// Booleans of the 0 / -1 convention; any non-zero value counts as true.
inline constexpr std::int16_t kTrue = -1;
inline constexpr std::int16_t kFalse = 0;

// The exit flags for an action code and a force flag.
std::uint32_t ExitFlags(std::int16_t force, std::int16_t mode);

class ModPower {
 public:
  explicit ModPower(PowerPlatform& platform) : platform_(platform) {}

  // Asks the platform to log off, shut down or restart. Says whether the platform accepted the
  // request and, if not, why.
  PowerResult RequestPowerAction(std::int16_t Force, std::int16_t Mode);

  // -1 on the NT family of Windows (platform id 2), 0 otherwise, a failed query included.
  std::int16_t IsWinNT();

  // Best effort: enables SeShutdownPrivilege in this process's token. Nothing is reported.
  void EnableShutdownPrivilege();

 private:
  PowerPlatform& platform_;
};

}  // namespace orvane
