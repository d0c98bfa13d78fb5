#include "countdown/countdown.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "power/refusal_text.h"
#include "tests/support/fakes.h"

namespace orvane {
namespace {

using testing::MessageBox;

const MessageBox kRangeBox{"Batas waktu : Minimal 5 Menit, Maksimal 240 Menit.", 64, "Infromasi"};
const MessageBox kActionBox{"Silakan pilih salah satu tindakan yang harus dijalankan.", 64, "Orvane"};

class CountdownTest : public ::testing::Test {
 protected:
  testing::MemoryForm form;
  testing::RecordingPowerPlatform platform;
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
// else: no box, and the text left as it is. Stop takes the countdown back to idle for the next.
TEST_F(CountdownTest, StartStoresRoundedMinutesAndLocksTheInputs) {
  for (const auto& [text, minutes] : std::vector<std::pair<const char*, int>>{
           {"5", 5}, {"240", 240}, {"5.5", 6}, {"6.5", 6}, {"239.5", 240}, {"12abc", 12},
           {" 1 5 ", 15}, {"&HF0", 240}, {"5.4", 5}, {"2.4e2", 240}, {"&O5", 5}}) {
    SCOPED_TRACE("'" + std::string(text) + "' -> " + std::to_string(minutes));
    Start(text, 1);
    EXPECT_EQ(countdown.TargetMinutes(), minutes);
    EXPECT_EQ(countdown.ActionMode(), 2) << "the list's second item restarts";
    EXPECT_EQ(form.log, (std::vector<std::string>{
                            "SetEnabled Timer1 on", "SetEnabled Timer2 on", "SetEnabled Text1 off",
                            "SetEnabled Combo1 off", "SetEnabled Command1 off",
                            "SetText Form1 \"Orvane (" + std::to_string(minutes) + " - 0)\""}));
    countdown.Command2_Click();
  }
}

// Texts Start refuses with the range message, whatever the action list says; and a good number
// with no action picked (any index but the list's three), refused with the action message.
TEST_F(CountdownTest, ARefusedStartShowsOneBoxAndResetsTheField) {
  const auto refused = [&](const char* text, std::int16_t index, const MessageBox& box) {
    form.boxes.clear();
    Start(text, index);
    SCOPED_TRACE("'" + std::string(text) + "', index " + std::to_string(index));
    ASSERT_EQ(form.boxes, std::vector<MessageBox>{box});
    EXPECT_EQ(countdown.TargetMinutes(), 0);
    // The box, the field back to "0", and nothing else: the caption and the locks stay as they were.
    EXPECT_EQ(form.log, (std::vector<std::string>{"MsgBox " + box.title, "SetText Text1 \"0\""}));
  };
  for (const char* text : {"4.99", "240.01", "0", "-10", "", "abc", "4.5e0", "&HFFFF", "1e999", "-1e999",
                           "&H100000000", "99999999999999999999999999999999999",
                           "&HFFFFFFFFFFFFFFFFFFFFFF"}) {
    refused(text, 1, kRangeBox);
    refused(text, -1, kRangeBox);
  }
  for (const std::int16_t index : std::initializer_list<std::int16_t>{-1, 3, 32767, -32768}) {
    refused("30", index, kActionBox);
  }
  EXPECT_TRUE(hold.calls.empty()) << "a refused Start holds nothing off";
}

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
  for (const char* state : {"counting", "idle"}) {
    form.log.clear();
    countdown.Command2_Click();
    EXPECT_EQ(form.log, stopLog) << state;
    EXPECT_EQ(countdown.ElapsedMinutes(), 0);
  }
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

// Entering the field clears a text that reads as zero; leaving it refills only an empty one.
TEST_F(CountdownTest, GotFocusClearsTextsThatReadAsZeroLostFocusRefillsTheEmptyOne) {
  for (const auto& [before, afterGotFocus] : std::vector<std::pair<std::string, std::string>>{
           {"0", ""}, {"abc", ""}, {"0.0", ""}, {"-0", ""}, {"0 min", ""}, {"   ", ""}, {" ", ""}, {"", ""},
           {"15", "15"}, {"0.5", "0.5"}, {"-3", "-3"}}) {
    form.SetText(Control::Text1, before);
    countdown.Text1_GotFocus();
    EXPECT_EQ(form.Text(Control::Text1), afterGotFocus) << "'" << before << "'";
    form.SetText(Control::Text1, before);
    countdown.Text1_LostFocus();
    EXPECT_EQ(form.Text(Control::Text1), before.empty() ? "0" : before) << "'" << before << "'";
  }
}

}  // namespace
}  // namespace orvane
