#include "countdown/countdown.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <ostream>
#include <string>
#include <vector>

#include "power/refusal_text.h"
#include "tests/support/fakes.h"

namespace orvane {
namespace {

using testing::MemoryForm;
using testing::MessageBox;
using testing::RecordingPowerPlatform;

const MessageBox kRangeBox{"Batas waktu : Minimal 5 Menit, Maksimal 240 Menit.", 64, "Infromasi"};
const MessageBox kActionBox{"Silakan pilih salah satu tindakan yang harus dijalankan.", 64, "Orvane"};

class CountdownTest : public ::testing::Test {
 protected:
  MemoryForm form;
  RecordingPowerPlatform platform;
  testing::RecordingSleepHold hold;
  Countdown countdown{form, platform, hold};

  void Start(const std::string& minutes, std::int16_t index) {
    form.SetText(Control::Text1, minutes);
    form.listIndex = index;
    form.log.clear();
    countdown.Command1_Click();
  }
  void Ticks(int n) {
    for (int i = 0; i < n; ++i) countdown.Timer1_Timer();
  }
  // Counting: both timers on and the three inputs locked.
  bool Running() const {
    return form.Enabled(Control::Timer1) && form.Enabled(Control::Timer2) && !form.Enabled(Control::Text1) &&
           !form.Enabled(Control::Combo1) && !form.Enabled(Control::Command1);
  }
};

// Texts Start accepts, and the minutes they give. Start writes these, in this order, and nothing
// else: no box, and the text left as it is.
struct Accepted {
  const char* text;
  int minutes;
};
std::ostream& operator<<(std::ostream& os, const Accepted& c) { return os << "'" << c.text << "' -> " << c.minutes; }
class StartAcceptsTest : public CountdownTest, public ::testing::WithParamInterface<Accepted> {};

TEST_P(StartAcceptsTest, StoresRoundedMinutesAndLocksTheInputs) {
  Start(GetParam().text, 1);
  EXPECT_EQ(countdown.TargetMinutes(), GetParam().minutes);
  EXPECT_EQ(countdown.ActionMode(), 2) << "the list's second item restarts";
  EXPECT_EQ(form.log, (std::vector<std::string>{
                          "SetEnabled Timer1 on", "SetEnabled Timer2 on", "SetEnabled Text1 off",
                          "SetEnabled Combo1 off", "SetEnabled Command1 off",
                          "SetText Form1 \"Orvane (" + std::to_string(GetParam().minutes) + " - 0)\""}));
}

INSTANTIATE_TEST_SUITE_P(Texts, StartAcceptsTest,
                         ::testing::Values(Accepted{"5", 5}, Accepted{"240", 240}, Accepted{"5.5", 6},
                                           Accepted{"6.5", 6}, Accepted{"239.5", 240},
                                           Accepted{"12abc", 12}, Accepted{" 1 5 ", 15},
                                           Accepted{"&HF0", 240}, Accepted{"5.4", 5},
                                           Accepted{"2.4e2", 240}, Accepted{"&O5", 5}));

// Texts Start refuses with the range message, whatever the action list says; and a good number
// with no action picked (any index but the list's three), refused with the action message.
struct Refusal {
  const char* text;
  std::vector<std::int16_t> indexes;
  MessageBox box;
};
std::ostream& operator<<(std::ostream& os, const Refusal& c) { return os << "'" << c.text << "'"; }
Refusal Range(const char* text) { return {text, {1, -1}, kRangeBox}; }
class StartRefusesTest : public CountdownTest, public ::testing::WithParamInterface<Refusal> {};

TEST_P(StartRefusesTest, ShowsOneBoxAndResetsTheField) {
  for (const std::int16_t index : GetParam().indexes) {
    form.boxes.clear();
    Start(GetParam().text, index);
    ASSERT_EQ(form.boxes, std::vector<MessageBox>{GetParam().box}) << "index " << index;
    EXPECT_EQ(countdown.TargetMinutes(), 0);
    // The box, the field back to "0", and nothing else: the caption and the locks stay as they were.
    EXPECT_EQ(form.log, (std::vector<std::string>{"MsgBox " + GetParam().box.title, "SetText Text1 \"0\""}));
  }
  EXPECT_TRUE(hold.calls.empty()) << "a refused Start holds nothing off";
}

INSTANTIATE_TEST_SUITE_P(Texts, StartRefusesTest,
                         ::testing::Values(Range("4.99"), Range("240.01"), Range("0"), Range("-10"), Range(""),
                                           Range("abc"), Range("4.5e0"), Range("&HFFFF"), Range("1e999"),
                                           Range("-1e999"), Range("&H100000000"),
                                           Range("99999999999999999999999999999999999"),
                                           Range("&H" "FFFFFFFFFFFFFFFFFFFFFF"),
                                           Refusal{"30", {-1, 3, 32767, -32768}, kActionBox}));

TEST_F(CountdownTest, TicksCountToTheTargetAndRequestOnceThere) {
  Start("5", 0);
  for (int minute = 1; minute <= 7; ++minute) {
    countdown.Timer1_Timer();
    EXPECT_EQ(form.Text(Control::Label2), std::to_string(minute));
    EXPECT_EQ(form.Text(Control::Form1), "Orvane (5 - " + std::to_string(minute) + ")");
    const bool requested = minute >= 5;
    EXPECT_EQ(platform.calls.empty(), !requested) << "minute " << minute;
    if (minute == 5) {
      EXPECT_EQ(platform.exitFlags, 5u) << "shut down, forced";
      EXPECT_EQ(form.log.back(), "SetText Form1 \"Orvane (5 - 5)\"") << "caption before request";
    }
  }
  EXPECT_EQ(std::count(platform.calls.begin(), platform.calls.end(), "ExitWindowsEx"), 1);
  EXPECT_TRUE(Running()) << "timers and locks stay after the request";
}

TEST_F(CountdownTest, StopResetsFromEitherState) {
  const std::vector<std::string> stopLog{
      "SetEnabled Timer1 off",  "SetEnabled Timer2 off",   "SetText Label2 \"0\"",
      "SetText Label6 \"\"",    "SetText Text1 \"0\"",     "SetEnabled Text1 on",
      "SetEnabled Combo1 on",   "SetEnabled Command1 on",  "SetText Form1 \"\""};
  Start("30", 1);
  Ticks(7);
  countdown.Timer2_Timer();
  form.log.clear();
  countdown.Command2_Click();
  EXPECT_EQ(form.log, stopLog);
  EXPECT_EQ(countdown.ElapsedMinutes(), 0);

  form.log.clear();
  countdown.Command2_Click();  // while idle: the same effect
  EXPECT_EQ(form.log, stopLog);
}

// A refused request is reported once, in the error box with the platform's reason: no reset, no
// retry. The count goes on past the target and holds at its limit without writing.
TEST_F(CountdownTest, ARefusalIsReportedOnceAndTheCountHoldsAtItsLimit) {
  Start("5", 2);
  platform.exitResult = {false, "A required privilege is not held by the client. (error 1314)"};
  Ticks(32767);
  EXPECT_EQ(platform.exitFlags, 4u) << "log off, forced";
  EXPECT_EQ(std::count(platform.calls.begin(), platform.calls.end(), "ExitWindowsEx"), 1);
  EXPECT_EQ(form.boxes, (std::vector<MessageBox>{{RefusalText(0, platform.exitResult), 16, "Orvane"}}))
      << "only the refusal at the target, its words for logging off";
  EXPECT_EQ(countdown.ElapsedMinutes(), 32767);
  EXPECT_EQ(form.Text(Control::Form1), "Orvane (5 - 32767)");
  form.log.clear();
  Ticks(3);
  EXPECT_EQ(countdown.ElapsedMinutes(), 32767);
  EXPECT_TRUE(form.log.empty()) << "the held tick writes nothing";
  EXPECT_TRUE(Running()) << "a refusal resets nothing";
  countdown.Command2_Click();
  EXPECT_EQ(form.Text(Control::Form1), "") << "Stop still works";
}

// The dots: one more each second, none after three (Stop empties them: its writes, above).
TEST_F(CountdownTest, DotsCycleEverySecond) {
  Start("30", 0);
  const std::vector<std::string> cycle{".", "..", "...", "", ".", ".."};
  for (const auto& expected : cycle) {
    countdown.Timer2_Timer();
    EXPECT_EQ(form.Text(Control::Label6), expected);
  }
}

struct FocusCase {
  const char* before;
  const char* afterGotFocus;
};
std::ostream& operator<<(std::ostream& os, const FocusCase& c) { return os << "'" << c.before << "' -> '" << c.afterGotFocus << "'"; }
class FocusTest : public CountdownTest, public ::testing::WithParamInterface<FocusCase> {};

// Entering the field clears a text that reads as zero; leaving it refills only an empty one.
TEST_P(FocusTest, GotFocusClearsTextsThatReadAsZeroLostFocusRefillsTheEmptyOne) {
  form.SetText(Control::Text1, GetParam().before);
  countdown.Text1_GotFocus();
  EXPECT_EQ(form.Text(Control::Text1), GetParam().afterGotFocus);
  form.SetText(Control::Text1, GetParam().before);
  countdown.Text1_LostFocus();
  EXPECT_EQ(form.Text(Control::Text1), *GetParam().before ? GetParam().before : "0");
}
INSTANTIATE_TEST_SUITE_P(Texts, FocusTest,
                         ::testing::Values(FocusCase{"0", ""}, FocusCase{"abc", ""},
                                           FocusCase{"0.0", ""}, FocusCase{"-0", ""},
                                           FocusCase{"0 min", ""}, FocusCase{"   ", ""}, FocusCase{" ", ""},
                                           FocusCase{"", ""}, FocusCase{"15", "15"},
                                           FocusCase{"0.5", "0.5"}, FocusCase{"-3", "-3"}));

}  // namespace
}  // namespace orvane
