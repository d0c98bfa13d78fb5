#include "events/top_pin.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "tests/support/fakes.h"

namespace orvane {
namespace {

using Occasion = TopPin::Occasion;
using testing::MemoryForm;

struct PinRig {
  MemoryForm form;
  TopPin pin;
  void On(Occasion occasion, int times = 1) {
    for (int i = 0; i < times; ++i) {
      pin.Note(occasion);
      pin.Pin(occasion, form);
    }
  }
  int Asks() const {
    return static_cast<int>(std::count(form.log.begin(), form.log.end(), "SetTop Form1 0"));
  }
};

// What the pin asks for as the window is moved, and what it leaves alone: the window's top at
// the start, whether the window manager ignores every request to move it, what happens.
struct PinRow {
  const char* name;
  int top;
  bool ignoresTop;
  std::function<void(PinRig&)> script;
  int asks;
  int topAfter;
};
class TopPinTest : public ::testing::TestWithParam<PinRow> {};

TEST_P(TopPinTest, AsksWhenItShould) {
  const PinRow& row = GetParam();
  PinRig rig;
  rig.form.top = row.top;
  rig.form.ignoresTop = row.ignoresTop;
  row.script(rig);
  EXPECT_EQ(rig.Asks(), row.asks);
  EXPECT_EQ(rig.form.top, row.topAfter);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, TopPinTest,
    ::testing::Values(
        PinRow{"AtTheTopNothingIsAsked", 0, false,
               [](PinRig& r) {
                 r.On(Occasion::Shown);
                 r.On(Occasion::Tick, 3);
                 r.On(Occasion::Moved);
               },
               0, 0},
        // A window manager that moves the window itself ignores every request until the user
        // lets go, however long the button was held; no move follows the release.
        PinRow{"BackAtTheTopWhenALongHeldDragEnds", 0, true,
               [](PinRig& r) {
                 r.On(Occasion::MoveBegan);
                 for (int top : {20, 60, 100}) {
                   r.form.top = top;
                   r.On(Occasion::Moved);
                 }
                 r.On(Occasion::Tick, 12);  // two minutes of holding still
                 r.form.ignoresTop = false;
                 r.On(Occasion::MoveEnded);
               },
               3 + TopPin::kAsksPerPlace + 1, 0},
        // Where every request is honoured during the move (Windows' own move loop), the window
        // slides along the top, however often the pointer crosses the same height.
        PinRow{"DuringAMoveEveryPlaceIsAskedFor", 100, false,
               [](PinRig& r) {
                 r.On(Occasion::MoveBegan);
                 for (int i = 0; i < 3 * TopPin::kAsksPerPlace; ++i) {
                   r.form.top = 50;
                   r.On(Occasion::Moved);
                 }
                 r.On(Occasion::MoveEnded);
               },
               3 * TopPin::kAsksPerPlace, 0},
        // A panel keeps the top edge free: the window settles under it, asked a few times, then
        // left alone, whatever ticks and moves to the same place follow.
        PinRow{"APanelIsNeverFought", 32, true,
               [](PinRig& r) {
                 r.On(Occasion::Shown);
                 r.On(Occasion::Moved, 3);
                 r.On(Occasion::Tick, 20);
               },
               TopPin::kAsksPerPlace, 32},
        // ... but each new drag that ends there asks again, as does a new place.
        PinRow{"UnderAPanelADragEndOrANewPlaceAsksAgain", 32, true,
               [](PinRig& r) {
                 r.On(Occasion::Tick, 10);
                 r.On(Occasion::MoveBegan);
                 r.On(Occasion::MoveEnded);
                 r.form.top = 40;
                 r.On(Occasion::Moved);
               },
               TopPin::kAsksPerPlace + 2, 40}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace orvane
