#include "power/refusal_text.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>

namespace orvane {
namespace {

// The refusal box: one plain sentence for the cause, for the action asked for, then the system's
// own words on the last line.
struct RefusalCase {
  std::int16_t mode;
  PowerResult result;
  const char* text;
};
std::ostream& operator<<(std::ostream& os, const RefusalCase& c) {
  return os << "mode " << c.mode << ", cause " << static_cast<int>(c.result.cause);
}
class RefusalTextTest : public ::testing::TestWithParam<RefusalCase> {};

TEST_P(RefusalTextTest, SaysTheCauseThenTheSystemsWords) {
  EXPECT_EQ(RefusalText(GetParam().mode, GetParam().result), GetParam().text);
}

INSTANTIATE_TEST_SUITE_P(
    Causes, RefusalTextTest,
    ::testing::Values(
        RefusalCase{2, {false, "Access is denied. (error 5)"},
                    "Orvane could not restart the computer: the system refused the request.\n\n"
                    "Access is denied. (error 5)"},
        RefusalCase{1, {false, "", RefusalCause::Other},
                    "Orvane could not shut the computer down: the system refused the request."},
        RefusalCase{2, {false, "Reboot: org.freedesktop.login1.BlockedByInhibitorLock: x", RefusalCause::Inhibited},
                    "Orvane could not restart the computer: an application that is running holds it back.\n\n"
                    "Reboot: org.freedesktop.login1.BlockedByInhibitorLock: x"},
        RefusalCase{0, {false, "", RefusalCause::NoLoginManager},
                    "Orvane could not log you off: the login manager, which carries such requests out, is not running."},
        RefusalCase{2, {false, "", RefusalCause::NotAsked, 4},
                    "Orvane could not restart the computer: the login manager did not answer within 4 seconds, so "
                    "nothing was asked of it."},
        RefusalCase{7, {false, "GetSession: no", RefusalCause::NoSession},
                    "Orvane could not log you off: it found no login session of yours to end.\n\nGetSession: no"},
        RefusalCase{2, {false, "Reboot: org.freedesktop.DBus.Error.Timeout: Connection timed out", RefusalCause::NoAnswer, 4},
                    "The system did not answer Orvane within 4 seconds; it may still restart the computer.\n\n"
                    "Reboot: org.freedesktop.DBus.Error.Timeout: Connection timed out"},
        RefusalCase{0, {false, "", RefusalCause::NoAnswer, 1},
                    "The system did not answer Orvane within 1 second; it may still log you off."}));

}  // namespace
}  // namespace orvane
