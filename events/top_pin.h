// The top pin: Form1's top edge stays at the top of the monitor that holds it. The front ends
// report what happens to the window and put its top where they are told; when to ask, and when to
// stop asking, is decided here for both.
#pragma once

#include <optional>

#include "form/controls.h"

namespace orvane {

class TopPin {
 public:
  // What a front end reports, or the pin's own tick.
  enum class Occasion {
    Tick,        // wktats: a change of place nobody told us of
    Shown,       // before the first frame, and once the window is first on screen
    Moved,       // the window moved, by whatever means
    MoveBegan,   // the user started moving the window (the window manager may take it over)
    MoveEnded,   // the user let go
  };

  // Takes note of what happened: a move that begins or ends, the first show.
  void Note(Occasion occasion);

  // Asks `form` to put its top back at the top, if it is not there and the occasion calls for it.
  // Call Note first.
  void Pin(Occasion occasion, FormControls& form);

  // Requests from one place, at most, before the pin leaves the window there: a window manager
  // that keeps the top edge free (a panel) is never fought.
  static constexpr int kAsksPerPlace = 5;

 private:
  bool moving_ = false;
  std::optional<int> askedFrom_;  // the Top the last counted requests were made from
  int asks_ = 0;
};

}  // namespace orvane
