// The power platform on Linux: systemd-logind on the system bus, through sd-bus.
//
// Contract. The version query reports the NT family, so ModPower goes through its privilege
// steps; those succeed without effect, because polkit decides at the moment of the request. The
// exit request maps flags 1/5 to PowerOff, 2/6 to Reboot and 0/4 to ending the user's own
// graphical session. No call ever asks for interactive authorisation. A forced request (flag 4)
// skips inhibitor locks where the running logind offers that; whether the caller may is logind's
// and polkit's decision.
//
// One deadline covers the whole exchange (see bus_link.h). Running out of time, or losing the
// bus, is reported by how far the exchange had got: before the final request nothing was asked;
// during it, logind may still act on what it received.
//
// Which session Logoff ends: one of our own uid on our own display (session_choice.h), never
// another. Desktops start programs outside the login session and may strip $XDG_SESSION_ID, and
// logind's "auto" is the caller's own session when it has one, which for a program started from
// a text console or an SSH login is that console. So the sessions looked at are "auto", the
// user's Display session and $XDG_SESSION_ID, in that order, until one runs on our $DISPLAY;
// then the session of our display's X server.
// sd-bus reads DBUS_SYSTEM_BUS_ADDRESS, and so do we, so a test can point the program at a
// private bus.
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "power/bus_link.h"
#include "power/power_platform.h"
#include "power/refusal_cause.h"
#include "power/session_choice.h"
#include "power/x_server_session_linux.h"

namespace orvane {
namespace {

using bus::Clock;
using bus::Error;
using bus::ErrnoText;
using bus::kDeadline;
using bus::Link;
using bus::Message;

constexpr char kLogind[] = "org.freedesktop.login1";
constexpr char kManagerPath[] = "/org/freedesktop/login1";
constexpr char kManager[] = "org.freedesktop.login1.Manager";
constexpr char kSession[] = "org.freedesktop.login1.Session";
constexpr char kUser[] = "org.freedesktop.login1.User";
constexpr char kDefaultSystemBus[] = "unix:path=/run/dbus/system_bus_socket";

// Flags of the *WithFlags methods (logind's own numbering).
constexpr std::uint64_t kRootCheckInhibitors = UINT64_C(1) << 0;
constexpr std::uint64_t kSkipInhibitors = UINT64_C(1) << 4;

constexpr ExchangeStage kBefore = ExchangeStage::BeforeRequest;
constexpr ExchangeStage kRequest = ExchangeStage::Request;

// "PowerOff: org.freedesktop.DBus.Error.AccessDenied: Permission denied", or the errno text when
// the failure happened before any reply.
std::string Describe(const Error& error, int r, const std::string& what) {
  std::string text = what + ": ";
  if (error.IsSet()) {
    text += error.e.name;
    if (error.e.message && *error.e.message) text += std::string(": ") + error.e.message;
  } else {
    text += ErrnoText(r);
  }
  return text;
}

bool IsNoSession(const Error& error) {
  return BusRefusalCause(error.Name(), 0, kBefore) == RefusalCause::NoSession;
}

PowerResult Refused(RefusalCause cause, std::string reason) {
  PowerResult result{false, std::move(reason), cause};
  if (cause == RefusalCause::NoAnswer || cause == RefusalCause::NotAsked) {
    result.waitedSeconds = static_cast<int>(kDeadline.count());
  }
  return result;
}

PowerResult Refused(const Error& error, int r, const std::string& what, ExchangeStage stage) {
  return Refused(BusRefusalCause(error.Name(), -r, stage), Describe(error, r, what));
}

// The time ran out before `what` could be sent: nothing was asked.
PowerResult NotAskedBy(const std::string& what) {
  return Refused(RefusalCause::NotAsked, what + ": " + ErrnoText(-ETIMEDOUT));
}

std::optional<PowerResult> Connect(Link& link) {
  const std::string what = "Cannot connect to the system bus";
  // Read on the one thread that ever touches the environment here.
  const char* address = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");  // NOLINT(concurrency-mt-unsafe)
  const int r = link.Connect(address && *address ? address : kDefaultSystemBus);
  if (r >= 0) return std::nullopt;
  return Refused(BusRefusalCause("", -r, kBefore), what + ": " + ErrnoText(r));
}

// Powers off or reboots. Forced: skip inhibitors where logind knows how (the flag came with
// logind 257; older ones reject it as an invalid argument and, from 248 on, already let root and
// the lock's own user through without it). Older still: the plain method without flags.
PowerResult PowerAction(Link& link, const char* method, bool forced) {
  const std::string withFlags = std::string(method) + "WithFlags";
  const auto callWithFlags = [&](std::uint64_t flags, Error& error) {
    return sd_bus_call_method(link.get(), kLogind, kManagerPath, kManager, withFlags.c_str(),
                              &error.e, nullptr, "t", flags);
  };
  if (forced) {
    if (!link.Arm()) return NotAskedBy(method);
    Error error;
    const int r = callWithFlags(kSkipInhibitors, error);
    if (r >= 0) return {true, {}};
    if (error.Is(SD_BUS_ERROR_INVALID_ARGS)) {
      if (!link.Arm()) return NotAskedBy(method);
      Error again;
      const int r2 = callWithFlags(0, again);
      if (r2 >= 0) return {true, {}};
      if (!again.Is(SD_BUS_ERROR_UNKNOWN_METHOD)) return Refused(again, r2, method, kRequest);
    } else if (!error.Is(SD_BUS_ERROR_UNKNOWN_METHOD)) {
      return Refused(error, r, method, kRequest);
    }
  } else {
    if (!link.Arm()) return NotAskedBy(method);
    Error error;
    const int r = callWithFlags(kRootCheckInhibitors, error);
    if (r >= 0) return {true, {}};
    if (!error.Is(SD_BUS_ERROR_UNKNOWN_METHOD)) return Refused(error, r, method, kRequest);
  }
  if (!link.Arm()) return NotAskedBy(method);
  Error error;
  const int r = sd_bus_call_method(link.get(), kLogind, kManagerPath, kManager, method, &error.e,
                                   nullptr, "b", 0);
  if (r >= 0) return {true, {}};
  return Refused(error, r, method, kRequest);
}

// The outcome of one way of looking for the session to end: its object path, or why there is
// none, or the refusal when logind could not be asked.
struct Lookup {
  std::string path;
  std::string missing;
  std::optional<PowerResult> failure;
};

Lookup Failed(const Error& error, int r, const std::string& what) {
  if (error.IsSet() && IsNoSession(error)) return {{}, Describe(error, r, what), std::nullopt};
  return {{}, {}, Refused(error, r, what, kBefore)};
}

// Logind's session of that name: "auto", or a session id. A logind before "auto" was known
// (243) answers NoSuchSession, and the next way is tried.
Lookup SessionNamed(Link& link, const std::string& name) {
  const std::string what = "GetSession(" + name + ")";
  if (!link.Arm()) return {{}, {}, NotAskedBy(what)};
  Error error;
  sd_bus_message* raw = nullptr;
  int r = sd_bus_call_method(link.get(), kLogind, kManagerPath, kManager, "GetSession", &error.e,
                             &raw, "s", name.c_str());
  const Message reply(raw);
  if (r < 0) return Failed(error, r, what);
  const char* path = nullptr;
  r = sd_bus_message_read(reply.get(), "o", &path);
  if (r < 0) return {{}, {}, Refused(error, r, what, kBefore)};
  return {path, {}, std::nullopt};
}

// The display session of our user, as logind keeps it on the user object.
Lookup UserDisplay(Link& link) {
  const std::string what = "GetUser(" + std::to_string(getuid()) + ")";
  if (!link.Arm()) return {{}, {}, NotAskedBy(what)};
  Error error;
  sd_bus_message* raw = nullptr;
  int r = sd_bus_call_method(link.get(), kLogind, kManagerPath, kManager, "GetUser", &error.e, &raw,
                             "u", static_cast<std::uint32_t>(getuid()));
  Message reply(raw);
  if (r < 0) return Failed(error, r, what);
  const char* userPath = nullptr;
  r = sd_bus_message_read(reply.get(), "o", &userPath);
  if (r < 0) return {{}, {}, Refused(error, r, what, kBefore)};
  const std::string user = userPath;

  if (!link.Arm()) return {{}, {}, NotAskedBy("Display")};
  raw = nullptr;
  r = sd_bus_get_property(link.get(), kLogind, user.c_str(), kUser, "Display", &error.e, &raw,
                          "(so)");
  reply.reset(raw);
  if (r < 0) return Failed(error, r, "Display");
  const char* id = nullptr;
  const char* path = nullptr;
  r = sd_bus_message_read(reply.get(), "(so)", &id, &path);
  if (r < 0) return {{}, {}, Refused(error, r, "Display", kBefore)};
  if (id == nullptr || *id == '\0') return {{}, "Display: user " + user + " has none", std::nullopt};
  return {path, {}, std::nullopt};
}

// The session's owner, type and display: false with `result` set when logind could not tell.
bool ReadSession(Link& link, SessionSeen& facts, PowerResult& result) {
  const std::string what = "Session " + facts.path;
  if (!link.Arm()) {
    result = NotAskedBy(what);
    return false;
  }
  Error error;
  sd_bus_message* raw = nullptr;
  int r = sd_bus_get_property(link.get(), kLogind, facts.path.c_str(), kSession, "User", &error.e,
                              &raw, "(uo)");
  const Message reply(raw);
  const char* userPath = nullptr;
  if (r >= 0) r = sd_bus_message_read(reply.get(), "(uo)", &facts.uid, &userPath);
  for (const char* property : {"Type", "Display"}) {
    if (r < 0) break;
    if (!link.Arm()) {
      result = NotAskedBy(what);
      return false;
    }
    char* value = nullptr;
    r = sd_bus_get_property_string(link.get(), kLogind, facts.path.c_str(), kSession, property,
                                   &error.e, &value);
    if (r >= 0) {
      (*property == 'T' ? facts.type : facts.display) = value;
      std::free(value);  // NOLINT(cppcoreguidelines-no-malloc): sd-bus hands it over malloc'ed
    }
  }
  if (r < 0) {
    result = Refused(error, r, what, kBefore);
    return false;
  }
  return true;
}

// Ends our user's graphical session, chosen as the comment at the top says.
PowerResult EndOwnSession(Link& link) {
  // Read on the one thread that ever touches the environment here.
  const char* display = std::getenv("DISPLAY");         // NOLINT(concurrency-mt-unsafe)
  const char* wayland = std::getenv("WAYLAND_DISPLAY");   // NOLINT(concurrency-mt-unsafe)
  const char* sessionId = std::getenv("XDG_SESSION_ID");  // NOLINT(concurrency-mt-unsafe)
  const OurPlace place{static_cast<std::uint32_t>(getuid()), display ? display : "",
                       wayland != nullptr && *wayland != '\0'};
  std::string missing;
  std::vector<SessionSeen> seen;
  SessionChoice choice;
  for (int way = 0; way < 4 && !choice.onOurDisplay; ++way) {
    Lookup found;
    if (way == 0) {
      found = SessionNamed(link, "auto");
    } else if (way == 1) {
      found = UserDisplay(link);
    } else if (way == 2) {
      if (sessionId == nullptr || *sessionId == '\0') continue;
      found = SessionNamed(link, sessionId);
    } else {
      // A console login that started its own X server names no display: the server tells.
      found.path = XServerSession(link, place.display);
      if (found.path.empty()) break;
    }
    if (found.failure) return *found.failure;
    if (found.path.empty()) {
      missing += (missing.empty() ? "" : "; ") + found.missing;
      continue;
    }
    auto known = std::ranges::find(seen, found.path, &SessionSeen::path);
    if (known == seen.end()) {
      SessionSeen facts;
      facts.path = found.path;
      PowerResult failure;
      if (!ReadSession(link, facts, failure)) return failure;
      known = seen.insert(seen.end(), std::move(facts));
    }
    known->runsOurXServer = known->runsOurXServer || way == 3;
    choice = ChooseSessionToEnd(seen, place);
  }
  if (choice.path.empty()) {
    if (!choice.why.empty()) missing += (missing.empty() ? "" : "; ") + choice.why;
    return Refused(RefusalCause::NoSession, missing);
  }
  if (!link.Arm()) return NotAskedBy("Terminate");
  Error error;
  const int r = sd_bus_call_method(link.get(), kLogind, choice.path.c_str(), kSession, "Terminate",
                                   &error.e, nullptr, "");
  if (r >= 0) return {true, {}};
  return Refused(error, r, "Terminate", kRequest);
}

class LogindPowerPlatform final : public PowerPlatform {
 public:
  bool GetVersionExA(OsVersionInfoA& info) override {
    info.dwMajorVersion = 10;
    info.dwMinorVersion = 0;
    info.dwBuildNumber = 0;
    info.dwPlatformId = kVerPlatformWin32Nt;
    info.szCSDVersion[0] = '\0';
    return true;
  }
  ProcessHandle GetCurrentProcess() override { return static_cast<ProcessHandle>(-1); }
  bool OpenProcessToken(ProcessHandle, std::uint32_t, TokenHandle& token) override {
    token = kNoEffectToken;
    return true;
  }
  bool LookupPrivilegeValueA(const char*, const char*, Luid& luid) override {
    luid = Luid{19, 0};  // the shutdown privilege's number on Windows; nothing reads it here
    return true;
  }
  bool AdjustTokenPrivileges(TokenHandle, bool, const TokenPrivileges&, std::uint32_t,
                             TokenPrivileges& previousState, std::uint32_t& returnLength) override {
    previousState = TokenPrivileges{};
    returnLength = sizeof(std::uint32_t);
    return true;
  }
  void CloseHandle(TokenHandle) override {}

  PowerResult ExitWindowsEx(std::uint32_t flags, std::uint32_t) override {
    const bool forced = (flags & kEwxForce) != 0;
    const std::uint32_t action = flags & ~kEwxForce;
    if (action > kEwxReboot) return Refused(RefusalCause::Other, "Unsupported exit request " + std::to_string(flags));

    Link link(Clock::now() + kDeadline);
    if (std::optional<PowerResult> failure = Connect(link)) return *failure;
    switch (action) {
      case kEwxShutdown:
        return PowerAction(link, "PowerOff", forced);
      case kEwxReboot:
        return PowerAction(link, "Reboot", forced);
      default:
        return EndOwnSession(link);
    }
  }

 private:
  static constexpr TokenHandle kNoEffectToken = 1;
};

}  // namespace

std::unique_ptr<PowerPlatform> MakeSystemPowerPlatform() {
  return std::make_unique<LogindPowerPlatform>();
}

}  // namespace orvane
