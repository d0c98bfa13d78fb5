// Which login session Logoff ends, decided from what logind told of the sessions it found. Kept
// apart from the bus so that the choice can be checked on any machine.
#pragma once

#include <cstdint>
#include <optional>
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
  bool runsOurXServer = false;  // the X server of our display is one of its processes
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

// A graphical session of our own user on our display: its Display is our $DISPLAY, or it names
// no display and runs the X server of ours (a console login that started X); else, only when
// we run inside a Wayland session (on its XWayland), a Wayland session of ours, whose Display is
// empty. Never anything else: over X forwarding or on a second X server ($DISPLAY
// "localhost:10.0", or ":1" beside the desktop's ":0") the desktop's session is not where the
// program runs.
SessionChoice ChooseSessionToEnd(const std::vector<SessionSeen>& seen, const OurPlace& place);

// The number of a display on this machine's own X socket: ":0" and "unix:0.1" give 0; a display
// reached over the network or through X forwarding ("localhost:10.0") gives none.
std::optional<int> LocalDisplayNumber(std::string_view display);

}  // namespace orvane
