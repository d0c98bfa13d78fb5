#include "power/session_choice.h"

namespace orvane {
namespace {

bool Graphical(std::string_view type) { return type == "x11" || type == "wayland" || type == "mir"; }

// A display on this machine's own X server socket, not one reached over the network or through
// X forwarding ("localhost:10.0").
bool Local(std::string_view display) {
  return display.starts_with(':') || display.starts_with("unix:");
}

}  // namespace

SessionChoice ChooseSessionToEnd(const std::vector<SessionSeen>& seen, const OurPlace& place) {
  SessionChoice choice;
  const SessionSeen* waylandSession = nullptr;
  const SessionSeen* unnamedX11 = nullptr;
  const auto note = [&choice](const SessionSeen& s, const std::string& what) {
    choice.why += (choice.why.empty() ? "" : "; ") + s.path + " " + what;
  };
  for (const SessionSeen& s : seen) {
    if (s.uid != place.uid) {
      note(s, "belongs to user " + std::to_string(s.uid));
    } else if (!Graphical(s.type)) {
      note(s, "is a " + (s.type.empty() ? std::string("typeless") : s.type) + " session");
    } else if (!place.display.empty() && s.display == place.display) {
      return {s.path, {}, true};
    } else if (place.wayland && s.type == "wayland" && s.display.empty()) {
      if (!waylandSession) waylandSession = &s;
    } else if (Local(place.display) && s.type == "x11" && s.display.empty()) {
      if (!unnamedX11) unnamedX11 = &s;
    } else {
      note(s, "is on display \"" + s.display + "\", not on ours (\"" + std::string(place.display) +
                  "\"" + (place.wayland ? "" : ", no Wayland") + ")");
    }
  }
  if (waylandSession) return {waylandSession->path, {}, false};
  if (unnamedX11) return {unnamedX11->path, {}, false};
  return choice;
}

}  // namespace orvane
