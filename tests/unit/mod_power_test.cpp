#include "power/mod_power.h"
#include "power/refusal_cause.h"
#include "power/refusal_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <ostream>
#include <string>
#include <vector>

#include "tests/support/fakes.h"

namespace orvane {
namespace {

using testing::RecordingPowerPlatform;

struct FlagsCase {
  std::int16_t mode;
  std::uint32_t unforced;
  std::uint32_t forced;
};
std::ostream& operator<<(std::ostream& os, const FlagsCase& c) { return os << "mode " << c.mode; }
class ExitFlagsTest : public ::testing::TestWithParam<FlagsCase> {};

TEST_P(ExitFlagsTest, ModeAndForceGiveTheFlags) {
  const FlagsCase& c = GetParam();
  EXPECT_EQ(ExitFlags(0, c.mode), c.unforced);
  for (const std::int16_t force : std::initializer_list<std::int16_t>{-1, 1, 2, 32767, -32768}) EXPECT_EQ(ExitFlags(force, c.mode), c.forced) << force;

  RecordingPowerPlatform platform;
  ModPower(platform).RequestPowerAction(-1, c.mode);
  EXPECT_EQ(platform.exitFlags, c.forced);
  EXPECT_EQ(platform.exitReserved, 0u);
}

INSTANTIATE_TEST_SUITE_P(Modes, ExitFlagsTest,
                         ::testing::Values(FlagsCase{0, 0, 4}, FlagsCase{1, 1, 5}, FlagsCase{2, 2, 6},
                                           FlagsCase{3, 0, 4}, FlagsCase{-1, 0, 4},
                                           FlagsCase{32767, 0, 4}, FlagsCase{-32768, 0, 4}));

TEST(ModPowerTest, OnNtEnablesThePrivilegeBeforeTheRequest) {
  RecordingPowerPlatform platform;
  const PowerResult result = ModPower(platform).RequestPowerAction(-1, 2);
  EXPECT_TRUE(result.accepted);
  EXPECT_EQ(platform.calls,
            (std::vector<std::string>{"GetVersionExA", "GetCurrentProcess", "OpenProcessToken",
                                      "LookupPrivilegeValueA", "AdjustTokenPrivileges",
                                      "CloseHandle", "ExitWindowsEx"}));
  EXPECT_EQ(platform.versionRecordSize, 148u);
  EXPECT_EQ(platform.desiredAccess, 0x28u);
  EXPECT_EQ(platform.systemName, "");
  EXPECT_EQ(platform.privilegeName, "SeShutdownPrivilege");
  EXPECT_EQ(platform.adjustedToken, platform.tokenToHand);
  EXPECT_FALSE(platform.disableAll);
  EXPECT_EQ(platform.newState.PrivilegeCount, 1u);
  EXPECT_EQ(platform.newState.Privileges[0].Luid_, platform.luidToHand);
  EXPECT_EQ(platform.newState.Privileges[0].Attributes, 2u);
  EXPECT_EQ(platform.newState.Privileges[1].Attributes, 0u) << "the second entry stays empty";
  EXPECT_EQ(platform.bufferLength, 16u);
  EXPECT_EQ(platform.returnLengthIn, 4u);
  EXPECT_EQ(platform.closed, std::vector<TokenHandle>{platform.tokenToHand}) << "token closed once";
  EXPECT_EQ(platform.exitFlags, 6u);
}

TEST(ModPowerTest, WithoutNtSkipsThePrivilegeButStillAsks) {
  struct {
    std::uint32_t platformId;
    bool versionSucceeds;
  } const cases[] = {{kVerPlatformWin32Windows, true}, {0, true}, {3, true}, {kVerPlatformWin32Nt, false}};
  for (const auto& c : cases) {
    RecordingPowerPlatform platform;
    platform.platformId = c.platformId;
    platform.versionSucceeds = c.versionSucceeds;
    ModPower power(platform);
    EXPECT_EQ(power.IsWinNT(), 0);
    platform.calls.clear();
    power.RequestPowerAction(0, 1);
    EXPECT_EQ(platform.calls, (std::vector<std::string>{"GetVersionExA", "ExitWindowsEx"}))
        << "platform id " << c.platformId;
    EXPECT_EQ(platform.exitFlags, 1u);
  }
  RecordingPowerPlatform nt;
  EXPECT_EQ(ModPower(nt).IsWinNT(), -1);
}

TEST(ModPowerTest, PrivilegeFailuresAreSilentAndTheRequestFollows) {
  RecordingPowerPlatform noToken;
  noToken.openTokenSucceeds = false;
  EXPECT_TRUE(ModPower(noToken).RequestPowerAction(-1, 0).accepted);
  EXPECT_EQ(noToken.adjustedToken, 0u) << "the handle stays 0 when opening fails";
  EXPECT_TRUE(noToken.closed.empty()) << "nothing to close";
  EXPECT_EQ(noToken.calls.back(), "ExitWindowsEx");

  RecordingPowerPlatform noLookup;
  noLookup.lookupSucceeds = false;
  ModPower(noLookup).RequestPowerAction(-1, 0);
  EXPECT_EQ(noLookup.newState.Privileges[0].Luid_, (Luid{0, 0})) << "the identifier stays 0";
  EXPECT_EQ(noLookup.closed.size(), 1u);
}

TEST(ModPowerTest, RepeatedCallsRepeatEveryStep) {
  RecordingPowerPlatform platform;
  ModPower power(platform);
  power.EnableShutdownPrivilege();
  power.EnableShutdownPrivilege();
  EXPECT_EQ(std::count(platform.calls.begin(), platform.calls.end(), "OpenProcessToken"), 2);
  EXPECT_EQ(platform.closed.size(), 2u);
}

TEST(ModPowerTest, RefusalCarriesThePlatformsReason) {
  RecordingPowerPlatform platform;
  platform.exitResult = {false, "Access is denied. (error 5)"};
  const PowerResult r = ModPower(platform).RequestPowerAction(-1, 1);
  EXPECT_FALSE(r.accepted);
  EXPECT_EQ(r.reason, "Access is denied. (error 5)");
}

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
        RefusalCase{1, {false, "PowerOff: org.freedesktop.DBus.Error.InteractiveAuthorizationRequired: Interactive authentication required.", RefusalCause::NotAllowed},
                    "Orvane could not shut the computer down: your account may do that only with an administrator's password.\n\n"
                    "PowerOff: org.freedesktop.DBus.Error.InteractiveAuthorizationRequired: Interactive authentication required."},
        RefusalCase{2, {false, "Reboot: org.freedesktop.login1.BlockedByInhibitorLock: x", RefusalCause::Inhibited},
                    "Orvane could not restart the computer: an application that is running holds it back.\n\n"
                    "Reboot: org.freedesktop.login1.BlockedByInhibitorLock: x"},
        RefusalCase{7, {false, "GetSession: no", RefusalCause::NoSession},
                    "Orvane could not log you off: it found no login session of yours to end.\n\nGetSession: no"},
        RefusalCase{0, {false, "Cannot connect to the system bus: No such file or directory", RefusalCause::NoLoginManager},
                    "Orvane could not log you off: the login manager, which carries such requests out, is not running.\n\n"
                    "Cannot connect to the system bus: No such file or directory"},
        RefusalCase{2, {false, "Reboot: org.freedesktop.DBus.Error.Timeout: Connection timed out", RefusalCause::NoAnswer, 4},
                    "The system did not answer Orvane within 4 seconds; it may still restart the computer.\n\n"
                    "Reboot: org.freedesktop.DBus.Error.Timeout: Connection timed out"},
        RefusalCase{0, {false, "", RefusalCause::NoAnswer, 1},
                    "The system did not answer Orvane within 1 second; it may still log you off."},
        RefusalCase{2, {false, "Cannot connect to the system bus: Connection timed out", RefusalCause::NotAsked, 4},
                    "Orvane could not restart the computer: the login manager did not answer within 4 seconds, so nothing was asked of it.\n\n"
                    "Cannot connect to the system bus: Connection timed out"},
        RefusalCase{1, {false, "", RefusalCause::UnderWay},
                    "Orvane could not shut the computer down: a shutdown or restart is already under way."}));

// How a failure reads: the D-Bus error's name before the errno that comes with it, and a lost
// or silent bus by whether the final request had gone out.
struct CauseCase {
  const char* errorName;
  int errnoValue;
  ExchangeStage stage;
  RefusalCause cause;
};
std::ostream& operator<<(std::ostream& os, const CauseCase& c) {
  return os << "'" << c.errorName << "' errno " << c.errnoValue << " stage " << static_cast<int>(c.stage);
}
class BusRefusalCauseTest : public ::testing::TestWithParam<CauseCase> {};

TEST_P(BusRefusalCauseTest, NameFirstThenErrno) {
  const CauseCase& c = GetParam();
  EXPECT_EQ(BusRefusalCause(c.errorName, c.errnoValue, c.stage), c.cause);
}

constexpr ExchangeStage kBefore = ExchangeStage::BeforeRequest;
constexpr ExchangeStage kRequest = ExchangeStage::Request;
INSTANTIATE_TEST_SUITE_P(
    Failures, BusRefusalCauseTest,
    ::testing::Values(
        CauseCase{"org.freedesktop.login1.OperationInProgress", EBUSY, kRequest, RefusalCause::UnderWay},
        CauseCase{"org.freedesktop.DBus.Error.AccessDenied", EACCES, kRequest, RefusalCause::NotAllowed},
        CauseCase{"org.freedesktop.DBus.Error.ServiceUnknown", EHOSTUNREACH, kRequest, RefusalCause::NoLoginManager},
        CauseCase{"org.freedesktop.DBus.Error.Timeout", ETIMEDOUT, kBefore, RefusalCause::NotAsked},
        CauseCase{"org.freedesktop.DBus.Error.Timeout", ETIMEDOUT, kRequest, RefusalCause::NoAnswer},
        CauseCase{"System.Error.ENOTCONN", ENOTCONN, kRequest, RefusalCause::NoAnswer},
        CauseCase{"System.Error.ENOTCONN", ENOTCONN, kBefore, RefusalCause::NotAsked},
        CauseCase{"", ETIMEDOUT, kBefore, RefusalCause::NotAsked},
        CauseCase{"", EAGAIN, kBefore, RefusalCause::NotAsked},
        CauseCase{"", EACCES, kBefore, RefusalCause::NotAllowed},
        CauseCase{"", ECONNREFUSED, kBefore, RefusalCause::NoLoginManager},
        CauseCase{"org.freedesktop.DBus.Error.Failed", EIO, kRequest, RefusalCause::Other}));

TEST(WindowsRefusalCauseTest, PrivilegeAndShutdownInProgressHaveTheirOwnWords) {
  EXPECT_EQ(WindowsRefusalCause(1314, false), RefusalCause::NotAllowed) << "ERROR_PRIVILEGE_NOT_HELD";
  EXPECT_EQ(WindowsRefusalCause(5, true), RefusalCause::NotAllowed) << "after ERROR_NOT_ALL_ASSIGNED";
  EXPECT_EQ(WindowsRefusalCause(1115, false), RefusalCause::UnderWay) << "ERROR_SHUTDOWN_IN_PROGRESS";
  EXPECT_EQ(WindowsRefusalCause(5, false), RefusalCause::Other);
}

}  // namespace
}  // namespace orvane
