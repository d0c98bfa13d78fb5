#include "window/form1_events.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/unit/fakes.h"

namespace orvane {
namespace {

using testing::MemoryForm;
using testing::MessageBox;
using testing::RecordingPowerPlatform;

class Form1EventsTest : public ::testing::Test {
 protected:
  MemoryForm form;
  RecordingPowerPlatform platform;
  Form1Events events{form, platform};
};

TEST_F(Form1EventsTest, LoadGreetsThenKeysTheColour) {
  events.Form_Load();
  EXPECT_EQ(form.boxes, (std::vector<MessageBox>{{"welCome :)", 48, "Velmo"}}));
  EXPECT_EQ(form.log, (std::vector<std::string>{"MsgBox Velmo", "ApplyColorKey"}));
}

TEST_F(Form1EventsTest, CloseSaysGoodbyeThenEndsWithoutAnyRequest) {
  form.SetText(Control::Text1, "5");
  form.listIndex = 1;
  events.Command1_Click();
  for (int i = 0; i < 4; ++i) events.Timer1_Timer();
  form.log.clear();
  events.Label7_Click();
  EXPECT_EQ(form.boxes, (std::vector<MessageBox>{{"good bye ..", 48, "Velmo"}}));
  EXPECT_EQ(form.log, (std::vector<std::string>{"MsgBox Velmo", "EndProgram"}));
  EXPECT_TRUE(platform.calls.empty());
}

TEST_F(Form1EventsTest, HoverColourFollowsTheLastMove) {
  EXPECT_EQ(form.ForeColor(Control::Label7), kSysButtonText) << "design-time colour at first";
  events.Form_MouseMove();
  EXPECT_EQ(form.ForeColor(Control::Label7), 0u);
  events.Label7_MouseMove();
  events.Label7_MouseMove();
  EXPECT_EQ(form.ForeColor(Control::Label7), 255u);
  events.Form_MouseMove();
  EXPECT_EQ(form.ForeColor(Control::Label7), 0u);
  EXPECT_EQ(std::count(form.log.begin(), form.log.end(), "SetForeColor Label7 255"), 2)
      << "written on every event, changed or not";
}

TEST_F(Form1EventsTest, PressMovesAndTheTimerPinsTheTop) {
  events.Form_MouseDown();
  EXPECT_EQ(form.log, std::vector<std::string>{"BeginSystemMove"});
  form.top = 240;
  events.wktats_Timer();
  EXPECT_EQ(form.top, 0);
}

}  // namespace
}  // namespace orvane
