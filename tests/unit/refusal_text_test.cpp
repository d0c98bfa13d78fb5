#include "power/refusal_text.h"

#include <gtest/gtest.h>

#include <cstdint>

namespace orvane {
namespace {

// The refusal box: one plain sentence for the cause, for the action asked for, then the system's
// own words on the last line.
TEST(RefusalTextTest, SaysTheCauseThenTheSystemsWords) {
  const struct {
    std::int16_t mode;
    PowerResult result;
    const char* text;
  } cases[] = {
      {2, {false, "Access is denied. (error 5)"},
          "Orvane could not restart the computer: the system refused the request.\n\n"
          "Access is denied. (error 5)"},
      {1, {false, "", RefusalCause::Other},
          "Orvane could not shut the computer down: the system refused the request."},
      {2, {false, "Reboot: org.freedesktop.login1.BlockedByInhibitorLock: x", RefusalCause::Inhibited},
          "Orvane could not restart the computer: an application that is running holds it back.\n\n"
          "Reboot: org.freedesktop.login1.BlockedByInhibitorLock: x"},
      {0, {false, "", RefusalCause::NoLoginManager},
          "Orvane could not log you off: the login manager, which carries such requests out, is not running."},
      {2, {false, "", RefusalCause::NotAsked, 4},
          "Orvane could not restart the computer: the login manager did not answer within 4 seconds, so "
          "nothing was asked of it."},
      {7, {false, "GetSession: no", RefusalCause::NoSession},
          "Orvane could not log you off: it found no login session of yours to end.\n\nGetSession: no"},
      {2, {false, "Reboot: org.freedesktop.DBus.Error.Timeout: Connection timed out", RefusalCause::NoAnswer, 4},
          "The system did not answer Orvane within 4 seconds; it may still restart the computer.\n\n"
          "Reboot: org.freedesktop.DBus.Error.Timeout: Connection timed out"},
      {0, {false, "", RefusalCause::NoAnswer, 1},
          "The system did not answer Orvane within 1 second; it may still log you off."}};
  for (const auto& c : cases) {
    EXPECT_EQ(RefusalText(c.mode, c.result), c.text)
        << "mode " << c.mode << ", cause " << static_cast<int>(c.result.cause);
  }
}

}  // namespace
}  // namespace orvane
