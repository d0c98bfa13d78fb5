// Which login session Logoff ends, decided from what logind told of the sessions it found. Kept
// apart from the bus so that the choice can be checked on any machine.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// One session as logind describes it.
struct SessionSeen {
  std::string path;     // its object path
  std::uint32_t uid = 0;
  std::string type;     // "x11", "wayland", "mir", "tty", ...
  std::string display;  // the X display it runs on; empty for a Wayland or text session
};

// Where the program runs: its user, its $DISPLAY and whether $WAYLAND_DISPLAY is set.
struct OurPlace {
  std::uint32_t uid = 0;
  std::string_view display;
  bool wayland = false;
};

struct SessionChoice {
  std::string path;  // the session to end; empty: none of ours here
  std::string why;   // when there is none: what was wrong with each session seen
  bool onOurDisplay = false;  // the session runs on our own display: no need to look further
};

// A graphical session of our own user whose Display is our $DISPLAY; else, only when we run
// inside a Wayland session (on its XWayland), a Wayland session of ours, whose Display is empty;
// else, only when our display is local, an X11 session of ours that names no display (a console
// login that declared itself x11 and started its own X server). Never anything else: over X
// forwarding or on a second X server ($DISPLAY "localhost:10.0" or ":1" beside the desktop's
// ":0") the desktop's session is not where the program runs.
SessionChoice ChooseSessionToEnd(const std::vector<SessionSeen>& seen, const OurPlace& place);

}  // namespace orvane
