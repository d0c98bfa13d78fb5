#include "power/refusal_text.h"

#include "power/mod_power.h"

namespace orvane {
namespace {

std::string Within(int n) {
  return n > 0 ? "within " + std::to_string(n) + (n == 1 ? " second" : " seconds") : "in time";
}

}  // namespace

std::string RefusalText(std::int16_t mode, const PowerResult& result) {
  const std::string what = mode == kActionShutdown ? "shut the computer down"
                           : mode == kActionReboot ? "restart the computer"
                                                   : "log you off";
  const std::string couldNot = "Orvane could not " + what + ": ";
  std::string text;
  switch (result.cause) {
    case RefusalCause::NotAllowed:
      text = couldNot + "your account may do that only with an administrator's password.";
      break;
    case RefusalCause::Inhibited:
      text = couldNot + "an application that is running holds it back.";
      break;
    case RefusalCause::NoSession:
      text = couldNot + "it found no login session of yours to end.";
      break;
    case RefusalCause::NoLoginManager:
      text = couldNot + "the login manager, which carries such requests out, is not running.";
      break;
    case RefusalCause::UnderWay:
      text = couldNot + "a shutdown or restart is already under way.";
      break;
    case RefusalCause::NotAsked:
      text = couldNot + "the login manager did not answer " + Within(result.waitedSeconds) +
             ", so nothing was asked of it.";
      break;
    case RefusalCause::NoAnswer:
      text = "The system did not answer Orvane " + Within(result.waitedSeconds) + "; it may still " +
             what + ".";
      break;
    case RefusalCause::Other:
    default:
      text = couldNot + "the system refused the request.";
      break;
  }
  if (!result.reason.empty()) text += "\n\n" + result.reason;
  return text;
}

}  // namespace orvane
