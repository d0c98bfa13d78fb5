#include "events/top_pin.h"

namespace orvane {

void TopPin::Note(Occasion occasion) {
  switch (occasion) {
    case Occasion::MoveBegan:
      moving_ = true;
      break;
    case Occasion::MoveEnded:
      moving_ = false;
      askedFrom_.reset();  // what the window manager ignored while it moved the window
      break;
    case Occasion::Shown:
      askedFrom_.reset();
      break;
    case Occasion::Tick:
    case Occasion::Moved:
      break;
  }
}

void TopPin::Pin(Occasion occasion, FormControls& form) {
  // Where the window is going is the user's business until the button is let go.
  if (occasion == Occasion::MoveBegan) return;
  const int top = form.Top(Control::Form1);
  if (top == 0) {
    askedFrom_.reset();
    return;
  }
  // During a move every new place is asked for. Some systems honour that (the window slides
  // along the top); window managers that move the window themselves ignore it until they are
  // done, so those requests count for nothing and the end of the move asks again.
  const bool counted = !(moving_ && occasion == Occasion::Moved);
  if (counted) {
    if (askedFrom_ != top) {
      askedFrom_ = top;
      asks_ = 0;
    }
    if (asks_ >= kAsksPerPlace) return;
    ++asks_;
  }
  form.SetTop(Control::Form1, 0);
}

}  // namespace orvane
