#include "power/session_choice.h"

namespace orvane {
namespace {

bool Graphical(std::string_view type) { return type == "x11" || type == "wayland" || type == "mir"; }

}  // namespace

SessionChoice ChooseSessionToEnd(const std::vector<SessionSeen>& seen, const OurPlace& place) {
  SessionChoice choice;
  const SessionSeen* waylandSession = nullptr;
  const auto note = [&choice](const SessionSeen& s, const std::string& what) {
    choice.why += (choice.why.empty() ? "" : "; ") + s.path + " " + what;
  };
  for (const SessionSeen& s : seen) {
    if (s.uid != place.uid) {
      note(s, "belongs to user " + std::to_string(s.uid));
    } else if (!Graphical(s.type)) {
      note(s, "is a " + (s.type.empty() ? std::string("typeless") : s.type) + " session");
    } else if ((s.runsOurXServer && s.display.empty()) ||
               (!place.display.empty() && s.display == place.display)) {
      // Running our X server counts only for a session that names no display of its own: a
      // desktop on ":0" whose terminal started the ":1" server we run on is not where we run.
      return {s.path, {}, true};
    } else if (place.wayland && s.type == "wayland" && s.display.empty()) {
      if (!waylandSession) waylandSession = &s;
    } else {
      note(s, "is on display \"" + s.display + "\", not on ours (\"" + std::string(place.display) +
                  "\"" + (place.wayland ? "" : ", no Wayland") + ")");
    }
  }
  if (waylandSession) return {waylandSession->path, {}, false};
  return choice;
}

std::optional<int> LocalDisplayNumber(std::string_view display) {
  if (display.starts_with("unix:")) display.remove_prefix(4);
  if (!display.starts_with(':')) return std::nullopt;
  display.remove_prefix(1);
  const std::size_t end = display.find('.');
  const std::string_view number = display.substr(0, end);
  const std::string_view screen = end == std::string_view::npos ? "" : display.substr(end + 1);
  const auto digits = [](std::string_view text) {
    return !text.empty() && text.size() <= 5 &&
           text.find_first_not_of("0123456789") == std::string_view::npos;
  };
  if (!digits(number) || (end != std::string_view::npos && !digits(screen))) return std::nullopt;
  int value = 0;
  for (const char c : number) value = value * 10 + (c - '0');
  return value;
}

}  // namespace orvane
