#include "events/form1_events.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "tests/support/fakes.h"

namespace orvane {
namespace {

class Form1EventsTest : public ::testing::Test {
 public:
  testing::MemoryForm form;
  testing::RecordingPowerPlatform platform;
  testing::RecordingSleepHold hold;
  Form1Events events{form, platform, hold};

  void Start(const char* minutes, std::int16_t index) {
    form.SetText(Control::Text1, minutes);
    form.listIndex = index;
    events.Handle(Event::Command1_Click);
  }
  void Ticks(Event tick, int n) {
    for (int i = 0; i < n; ++i) events.Handle(tick);
  }
};

// What happens to the events that arrive while a procedure waits in a message box, by the box.
struct WhileABoxIsOpen {
  const char* name;
  std::function<void(Form1EventsTest&)> openBox;  // runs the procedure that shows the box
  std::vector<Event> arriving;                    // delivered while the box is open
  std::vector<std::string> logAfterTheBox;        // what ran once the box had closed
};

class BoxTest : public Form1EventsTest, public ::testing::WithParamInterface<WhileABoxIsOpen> {};

TEST_P(BoxTest, NothingNestsAndNoMinuteIsLost) {
  const WhileABoxIsOpen& row = GetParam();
  std::size_t boxClosedAt = 0;
  form.onMsgBox = [&] {
    if (boxClosedAt != 0) return;  // a second box is answered at once
    for (Event e : row.arriving) events.Handle(e);
    boxClosedAt = form.log.size();
  };
  row.openBox(*this);
  ASSERT_NE(boxClosedAt, 0u) << "no box was shown";
  const std::vector<std::string> after(form.log.begin() + static_cast<long>(boxClosedAt), form.log.end());
  EXPECT_EQ(after, row.logAfterTheBox);
  EXPECT_FALSE(events.Ended());
}

INSTANTIATE_TEST_SUITE_P(
    Rules, BoxTest,
    ::testing::Values(
        WhileABoxIsOpen{"MinuteTicksRunAfterwardsOnceEachInOrder",
                        [](Form1EventsTest& t) {
                          t.platform.exitResult = {false, "refused"};
                          t.Start("5", 1);
                          t.Ticks(Event::Timer1_Timer, 5);  // the fifth asks, is refused, says so in a box
                        },
                        {Event::Timer1_Timer, Event::Timer2_Timer, Event::Timer1_Timer,
                         Event::Command2_Click, Event::Form_MouseMove},
                        {"SetText Label2 \"6\"", "SetText Form1 \"Orvane (5 - 6)\"",
                         "SetText Label2 \"7\"", "SetText Form1 \"Orvane (5 - 7)\""}},
        WhileABoxIsOpen{"ThePinIsDoneOnceAfterTheWelcome",
                        [](Form1EventsTest& t) { t.events.Handle(Event::Form_Load); },
                        {Event::wktats_Timer, Event::Form_Moved, Event::wktats_Timer},
                        {"ApplyColorKey", "SetTop Form1 0"}},
        WhileABoxIsOpen{"RefusedStartDropsClicksAndFocus",
                        [](Form1EventsTest& t) { t.Start("4", 0); },
                        {Event::Command1_Click, Event::Text1_GotFocus, Event::Timer2_Timer},
                        {"SetText Text1 \"0\""}}),
    [](const auto& info) { return std::string(info.param.name); });

// However the program ends, by the Close label, closed from outside, by an error in a procedure
// (through the error path, naming it), or by the front end outside any procedure (a fatal error
// of the window, the system's end of the session), nothing runs after it even if the program
// lingers: no goodbye but Close's own, no tick, no request, no hold.
struct EndRow {
  const char* name;
  std::function<void(Form1EventsTest&)> end;
  std::vector<std::string> log;  // what the end itself wrote; nothing follows it
};
class EndTest : public Form1EventsTest, public ::testing::WithParamInterface<EndRow> {};

TEST_P(EndTest, NothingRunsAfterTheEnd) {
  Start("5", 0);
  Ticks(Event::Timer1_Timer, 3);
  form.log.clear();
  GetParam().end(*this);
  for (Event e : {Event::Timer1_Timer, Event::Timer1_Timer, Event::Timer1_Timer, Event::Timer2_Timer,
                  Event::wktats_Timer, Event::Command2_Click, Event::Label7_Click, Event::Form_Closed}) {
    events.Handle(e);
  }
  EXPECT_EQ(form.log, GetParam().log);
  EXPECT_TRUE(events.Ended());
  EXPECT_TRUE(platform.calls.empty());
  EXPECT_EQ(hold.calls, (std::vector<std::string>{"Hold", "Release"}));
}

INSTANTIATE_TEST_SUITE_P(
    Ways, EndTest,
    ::testing::Values(
        EndRow{"CloseLabel", [](Form1EventsTest& t) { t.events.Handle(Event::Label7_Click); },
               {"MsgBox Velmo", "EndProgram"}},
        EndRow{"ClosedFromOutside", [](Form1EventsTest& t) { t.events.Handle(Event::Form_Closed); },
               {"EndProgram"}},
        EndRow{"AnErrorInAProcedure",
               [](Form1EventsTest& t) {
                 t.form.onMsgBox = [] { throw std::runtime_error("the box could not be shown"); };
                 t.events.Handle(Event::Label7_Click);
               },
               {"MsgBox Velmo", "EndWithError Label7_Click: the box could not be shown"}},
        EndRow{"EndedByTheFrontEnd", [](Form1EventsTest& t) { t.events.End(); }, {}}),
    [](const auto& info) { return std::string(info.param.name); });

// The system's move holds the press until the button is released: ticks, dots and the pin run
// during it, at once, and reach the target (and a tick after it counts as ever: the Wine suite's
// tick_during_drag).
TEST_F(Form1EventsTest, TicksDotsAndThePinRunDuringAMove) {
  Start("5", 2);
  Ticks(Event::Timer1_Timer, 4);
  form.onSystemMove = [&] {
    events.Handle(Event::Timer2_Timer);
    form.top = 300;
    events.Handle(Event::Form_Moved);
    EXPECT_EQ(form.top, 0) << "pinned during the move";
    events.Handle(Event::Timer1_Timer);
    EXPECT_EQ(platform.exitFlags, 4u) << "the target tick asked during the move";
  };
  events.Handle(Event::Form_MouseDown);
  EXPECT_EQ(form.Text(Control::Label6), ".");
  EXPECT_EQ(events.countdown().ElapsedMinutes(), 5);
}

// Focus procedures answer moves between the window's own controls only (the field entered from
// outside: the Qt test eventsReachTheirProcedures, through Qt's focus reasons).
TEST_F(Form1EventsTest, FocusFromOrToOutsideTheWindowRunsNoProcedure) {
  events.Handle(Event::Text1_GotFocus, FocusPeer::InsideWindow);
  EXPECT_EQ(form.Text(Control::Text1), "");
  events.Handle(Event::Text1_LostFocus, FocusPeer::OutsideWindow);
  EXPECT_EQ(form.Text(Control::Text1), "");
  events.Handle(Event::Text1_LostFocus);
  EXPECT_EQ(form.Text(Control::Text1), "0");
}

}  // namespace
}  // namespace orvane
