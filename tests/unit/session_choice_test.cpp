#include "power/session_choice.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace orvane {
namespace {

constexpr std::uint32_t kUs = 1000;
constexpr std::uint32_t kOther = 1001;

SessionSeen X11(const char* path, const char* display, std::uint32_t uid = kUs) {
  return {path, uid, "x11", display};
}
SessionSeen Wayland(const char* path, std::uint32_t uid = kUs) { return {path, uid, "wayland", ""}; }
SessionSeen Tty(const char* path) { return {path, kUs, "tty", ""}; }
// A session of ours that runs the X server of our display: a console login declared x11 that
// started it itself (no display of its own), or a desktop on another display from whose
// terminal the user started a second X server, such as a VNC server's.
SessionSeen XServer(const char* path, const char* display = "") { return {path, kUs, "x11", display, true}; }

// The sessions logind named, where we run, and the session that is ended ("" for none); the
// plainest cases run against the mock logind: the Qt suite's platform_finds_the_session_to_end.
struct ChoiceCase {
  const char* name;
  std::vector<SessionSeen> seen;
  const char* display;
  bool wayland;
  const char* ended;
};
std::ostream& operator<<(std::ostream& os, const ChoiceCase& c) { return os << c.name; }
class SessionChoiceTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(SessionChoiceTest, EndsOnlyASessionWhereWeRun) {
  const ChoiceCase& c = GetParam();
  const SessionChoice choice = ChooseSessionToEnd(c.seen, {kUs, c.display, c.wayland});
  EXPECT_EQ(choice.path, c.ended);
  EXPECT_EQ(choice.why.empty(), !choice.path.empty() || c.seen.empty()) << choice.why;
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, SessionChoiceTest,
    ::testing::Values(
        ChoiceCase{"OursAfterAnotherOne", {X11("/s/1", ":0"), X11("/s/2", ":1")}, ":1", false, "/s/2"},
        ChoiceCase{"SecondXServerBesideTheDesktop", {X11("/s/1", ":0")}, ":1", false, ""},
        ChoiceCase{"ForwardedFromInsideAWaylandSession", {X11("/s/1", ":0")}, "localhost:10.0", true, ""},
        ChoiceCase{"XWaylandInAWaylandSession", {Tty("/s/3"), Wayland("/s/1")}, ":0", true, "/s/1"},
        ChoiceCase{"OurDisplayBeforeTheWaylandOne", {Wayland("/s/1"), X11("/s/2", ":1")}, ":1", true, "/s/2"},
        ChoiceCase{"AnotherUsersWaylandSession", {Wayland("/s/1", kOther)}, ":0", true, ""},
        ChoiceCase{"TextConsoleOnly", {Tty("/s/1")}, ":0", true, ""},
        ChoiceCase{"NoSessionFound", {}, ":0", true, ""},
        ChoiceCase{"ConsoleLoginRunningOurXServer", {Tty("/s/2"), XServer("/s/1")}, ":0", false, "/s/1"},
        ChoiceCase{"VncServerStartedFromTheDesktop", {XServer("/s/1", ":0")}, ":1", false, ""},
        ChoiceCase{"NoDisplayMatchesAnEmptyOne", {X11("/s/1", "")}, "", false, ""}),
    [](const ::testing::TestParamInfo<ChoiceCase>& info) { return std::string(info.param.name); });

// Which displays are on this machine's own X socket, and their numbers.
TEST(LocalDisplayNumberTest, OnlyDisplaysOnTheLocalSocket) {
  const struct {
    const char* display;
    std::optional<int> number;
  } cases[] = {{":0", 0}, {":1.0", 1}, {"unix:12", 12}, {"unix:3.1", 3}, {"localhost:10.0", std::nullopt},
               {"host:0", std::nullopt}, {"", std::nullopt}, {":", std::nullopt}, {":x", std::nullopt},
               {":0.", std::nullopt}, {":1/2", std::nullopt}, {":999999", std::nullopt}};
  for (const auto& c : cases) EXPECT_EQ(LocalDisplayNumber(c.display), c.number) << c.display;
}

}  // namespace
}  // namespace orvane
