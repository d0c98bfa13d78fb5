// The login session that runs the X server of our own display. Logind records a session's X
// display only when a display manager names it; a console login that starts its own X server
// (startx) leaves it empty. The server's process, found from its socket, still tells the session.
#pragma once

#include <string>
#include <string_view>

#include "power/bus_link.h"

namespace orvane {

// The object path of the session whose processes include the X server of `display`, when that
// display is on this machine's own socket (":0", "unix:0.0"); "" when it is not, no server
// answers there, or logind knows no session of that process (what went wrong matters not: the
// session is then looked for the other ways).
std::string XServerSession(bus::Link& link, std::string_view display);

}  // namespace orvane
