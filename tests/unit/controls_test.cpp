#include "form/controls.h"

#include <gtest/gtest.h>

#include "events/form1_events.h"
#include "tests/support/fakes.h"

namespace orvane {
namespace {

using testing::MemoryForm;

// A property a control lacks is a run-time error: the front end is never asked, and the program
// ends through the unhandled-error path, naming the procedure.
struct PropertyRow {
  Control control;
  Property property;
  bool has;
};
class PropertyTest : public ::testing::TestWithParam<PropertyRow> {};

TEST_P(PropertyTest, OnlyTheControlsThatHaveItAnswer) {
  const PropertyRow& row = GetParam();
  MemoryForm form;
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

INSTANTIATE_TEST_SUITE_P(Rules, PropertyTest,
                         ::testing::Values(PropertyRow{Control::Form1, Property::Top, true},
                                           PropertyRow{Control::Label7, Property::Top, false},
                                           PropertyRow{Control::Label6, Property::Text, true},
                                           PropertyRow{Control::Line1, Property::Text, false},
                                           PropertyRow{Control::Combo1, Property::ListIndex, true},
                                           PropertyRow{Control::Text1, Property::ListIndex, false},
                                           PropertyRow{Control::wktats, Property::Enabled, true},
                                           PropertyRow{Control::Label2, Property::Enabled, false},
                                           PropertyRow{Control::Timer1, Property::ForeColor, false}));

}  // namespace
}  // namespace orvane
