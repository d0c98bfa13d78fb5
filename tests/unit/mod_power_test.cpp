#include "power/mod_power.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/fakes.h"

namespace orvane {
namespace {

using testing::RecordingPowerPlatform;

// Each mode's flags unforced, and forced by any force but 0.
TEST(ExitFlagsTest, ModeAndForceGiveTheFlags) {
  const struct {
    std::int16_t mode;
    std::uint32_t unforced, forced;
  } cases[] = {{0, 0, 4}, {1, 1, 5}, {2, 2, 6}, {3, 0, 4}, {-1, 0, 4}, {32767, 0, 4}, {-32768, 0, 4}};
  for (const auto& c : cases) {
    EXPECT_EQ(ExitFlags(0, c.mode), c.unforced) << "mode " << c.mode;
    for (const std::int16_t force : std::initializer_list<std::int16_t>{-1, 1, 2, 32767, -32768}) {
      EXPECT_EQ(ExitFlags(force, c.mode), c.forced) << "mode " << c.mode << ", force " << force;
    }
  }
}

// On NT the privilege is enabled before the request, whose answer (here a refusal with the
// platform's reason) is handed back as it came. The arguments each call hands the system are
// checked where they reach it, by the Wine suite's recorder on every request; here, what one
// call hands on to the next.
TEST(ModPowerTest, OnNtEnablesThePrivilegeBeforeTheRequest) {
  RecordingPowerPlatform platform;
  platform.exitResult = {false, "Access is denied. (error 5)"};
  const PowerResult result = ModPower(platform).RequestPowerAction(-1, 2);
  EXPECT_FALSE(result.accepted);
  EXPECT_EQ(result.reason, "Access is denied. (error 5)");
  EXPECT_EQ(platform.calls,
            (std::vector<std::string>{"GetVersionExA", "GetCurrentProcess", "OpenProcessToken",
                                      "LookupPrivilegeValueA", "AdjustTokenPrivileges",
                                      "CloseHandle", "ExitWindowsEx"}));
  EXPECT_EQ(platform.adjustedToken, platform.tokenToHand);
  EXPECT_EQ(platform.newState.Privileges[0].Luid_, platform.luidToHand);
  EXPECT_EQ(platform.closed, std::vector<TokenHandle>{platform.tokenToHand}) << "token closed once";
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
    ModPower(platform).RequestPowerAction(0, 1);
    EXPECT_EQ(platform.calls, (std::vector<std::string>{"GetVersionExA", "ExitWindowsEx"}))
        << "platform id " << c.platformId;
    EXPECT_EQ(platform.exitFlags, 1u);
  }
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

}  // namespace
}  // namespace orvane
