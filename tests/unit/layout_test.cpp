#include "form/layout.h"

#include <gtest/gtest.h>

#include <set>

namespace orvane {
namespace {

TEST(LayoutTest, EveryControlOnceAndInsideTheClientArea) {
  std::set<Control> seen;
  for (const auto& s : layout::kControls) {
    EXPECT_TRUE(seen.insert(s.id).second) << ControlName(s.id);
    EXPECT_GE(s.box.x, 0);
    EXPECT_GE(s.box.y, 0);
    EXPECT_LE(s.box.x + s.box.w, layout::kClientWidth) << ControlName(s.id);
    EXPECT_LE(s.box.y + s.box.h, layout::kClientHeight) << ControlName(s.id);
  }
}

// Only the key itself moves, and only by one step; every other colour is drawn as it is.
TEST(LayoutTest, OffKeyMovesOnlyTheKey) {
  EXPECT_EQ(layout::OffKey(layout::kColorKey), Rgb(254, 254, 254));
  for (Color c : {Rgb(0, 0, 0), Rgb(254, 254, 254), Rgb(255, 255, 254), Rgb(254, 255, 255), Rgb(255, 0, 0)}) {
    EXPECT_EQ(layout::OffKey(c), c) << std::hex << c;
  }
}

}  // namespace
}  // namespace orvane
