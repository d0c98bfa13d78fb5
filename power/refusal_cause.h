// How a failed exchange with the system reads as a refusal cause: from the D-Bus error name
// when it is one we know, else from the errno, and for Windows from the last error code. Kept
// apart from the platforms so that both readings can be checked on any machine.
#pragma once

#include <cstdint>
#include <string_view>

#include "power/power_platform.h"

namespace orvane {

// How far an exchange with the login manager had got when it failed. Only a failure of the
// final request itself leaves the action possibly on its way.
enum class ExchangeStage : std::uint8_t {
  BeforeRequest,  // connecting, authenticating, looking up the session: nothing asked yet
  Request,        // the PowerOff, Reboot or Terminate call itself
};

// `errorName` is the D-Bus error's name ("" when there was none), `errnoValue` the positive
// errno that came with the failure.
RefusalCause BusRefusalCause(std::string_view errorName, int errnoValue, ExchangeStage stage);

// `lastError` is ExitWindowsEx's GetLastError(); `privilegeNotAssigned` says whether enabling the
// shutdown privilege beforehand was answered with ERROR_NOT_ALL_ASSIGNED.
RefusalCause WindowsRefusalCause(std::uint32_t lastError, bool privilegeNotAssigned);

}  // namespace orvane
