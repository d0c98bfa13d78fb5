#include "power/refusal_cause.h"

#include <cerrno>

namespace orvane {
namespace {

bool In(std::string_view name, std::initializer_list<std::string_view> names) {
  for (const std::string_view n : names) {
    if (name == n) return true;
  }
  return false;
}

// No answer in time, or the connection lost on the way: whether anything can still happen
// depends on whether the request itself had gone out.
RefusalCause Unanswered(ExchangeStage stage) {
  return stage == ExchangeStage::Request ? RefusalCause::NoAnswer : RefusalCause::NotAsked;
}

RefusalCause ErrnoCause(int errnoValue, ExchangeStage stage) {
  switch (errnoValue) {
    case ETIMEDOUT:
    case EAGAIN:  // the bus is too busy to take us now
    case ECONNRESET:
    case ECONNABORTED:
    case ENOTCONN:
    case EPIPE:
      return Unanswered(stage);
    case ENOENT:
    case ECONNREFUSED:
      return RefusalCause::NoLoginManager;  // no bus at that address
    case EACCES:
    case EPERM:
      return RefusalCause::NotAllowed;
    default:
      return RefusalCause::Other;
  }
}

}  // namespace

RefusalCause BusRefusalCause(std::string_view errorName, int errnoValue, ExchangeStage stage) {
  if (In(errorName, {"org.freedesktop.DBus.Error.AccessDenied",
                     "org.freedesktop.DBus.Error.AuthFailed",
                     "org.freedesktop.DBus.Error.InteractiveAuthorizationRequired"})) {
    return RefusalCause::NotAllowed;
  }
  if (errorName == "org.freedesktop.login1.BlockedByInhibitorLock") return RefusalCause::Inhibited;
  if (errorName == "org.freedesktop.login1.OperationInProgress") return RefusalCause::UnderWay;
  if (In(errorName, {"org.freedesktop.login1.NoSessionForPID", "org.freedesktop.login1.NoSuchSession",
                     "org.freedesktop.login1.NoUserForPID", "org.freedesktop.login1.NoSuchUser"})) {
    return RefusalCause::NoSession;
  }
  if (In(errorName, {"org.freedesktop.DBus.Error.ServiceUnknown",
                     "org.freedesktop.DBus.Error.NameHasNoOwner",
                     "org.freedesktop.DBus.Error.NoServer"})) {
    return RefusalCause::NoLoginManager;
  }
  if (In(errorName, {"org.freedesktop.DBus.Error.Timeout", "org.freedesktop.DBus.Error.NoReply",
                     "org.freedesktop.DBus.Error.TimedOut",
                     "org.freedesktop.DBus.Error.Disconnected"})) {
    return Unanswered(stage);
  }
  // Any other name, sd-bus's "System.Error.ENOTCONN" style among them: the errno tells.
  return ErrnoCause(errnoValue, stage);
}

RefusalCause WindowsRefusalCause(std::uint32_t lastError, bool privilegeNotAssigned) {
  constexpr std::uint32_t kErrorShutdownInProgress = 1115;
  constexpr std::uint32_t kErrorPrivilegeNotHeld = 1314;
  if (lastError == kErrorShutdownInProgress) return RefusalCause::UnderWay;
  if (lastError == kErrorPrivilegeNotHeld || privilegeNotAssigned) return RefusalCause::NotAllowed;
  return RefusalCause::Other;
}

}  // namespace orvane
