#include "form/controls.h"

#include <gtest/gtest.h>

#include "events/form1_events.h"
#include "tests/support/fakes.h"

namespace orvane {
namespace {

// A property a control lacks is a run-time error: the front end is never asked, and the program
// ends through the unhandled-error path, naming the procedure.
TEST(PropertyTest, OnlyTheControlsThatHaveItAnswer) {
  const struct {
    Control control;
    Property property;
    bool has;
  } rows[] = {{Control::Form1, Property::Top, true},         {Control::Label7, Property::Top, false},
              {Control::Label6, Property::Text, true},       {Control::Line1, Property::Text, false},
              {Control::Combo1, Property::ListIndex, true},  {Control::Text1, Property::ListIndex, false},
              {Control::wktats, Property::Enabled, true},    {Control::Label2, Property::Enabled, false},
              {Control::Timer1, Property::ForeColor, false}};
  for (const auto& row : rows) {
    SCOPED_TRACE(ControlName(row.control));
    testing::MemoryForm form;
    CheckedControls checked(form);
    const auto access = [&] {
      switch (row.property) {
        case Property::Text: checked.SetText(row.control, "x"); break;
        case Property::Enabled: checked.SetEnabled(row.control, false); break;
        case Property::ListIndex: (void)checked.ListIndex(row.control); break;
        case Property::ForeColor: checked.SetForeColor(row.control, 0); break;
        case Property::Top: checked.SetTop(row.control, 0); break;
      }
    };
    if (row.has) {
      EXPECT_NO_THROW(access());
    } else {
      EXPECT_THROW(access(), PropertyError);
      EXPECT_EQ(form.refused, 0) << "the front end was asked";
    }
  }
}

}  // namespace
}  // namespace orvane
