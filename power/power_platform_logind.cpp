// The power platform on Linux: systemd-logind on the system bus, through sd-bus.
//
// Contract. The version query reports the NT family, so ModPower goes through its privilege
// steps; those succeed without effect, because polkit decides at the moment of the request. The
// exit request maps flags 1/5 to PowerOff, 2/6 to Reboot and 0/4 to ending the user's own
// graphical session. No call ever asks for interactive authorisation. A forced request (flag 4)
// skips inhibitor locks where the running logind offers that; whether the caller may is logind's
// and polkit's decision.
//
// One deadline (kDeadline) covers the whole exchange: connecting, authenticating, the bus's
// greeting and every call. The connection is driven here against that deadline rather than left
// to sd-bus, whose own waits for the first three run 25 to 90 s: a stopped bus would hold the
// window that long. Running out of time is reported as no answer, not as a refusal, since logind
// may still act on what it received.
//
// Which session Logoff ends: desktops start programs outside the login session and may strip
// $XDG_SESSION_ID, so logind is asked for the session "auto" (the caller's own session, or else
// the user's display session), then for the user's Display, and only then for $XDG_SESSION_ID.
// Only a session of our own uid is ever ended. sd-bus reads DBUS_SYSTEM_BUS_ADDRESS, and so do
// we, so a test can point the program at a private bus.
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>
#include <system_error>

#include "power/power_platform.h"

namespace orvane {
namespace {

constexpr char kLogind[] = "org.freedesktop.login1";
constexpr char kManagerPath[] = "/org/freedesktop/login1";
constexpr char kManager[] = "org.freedesktop.login1.Manager";
constexpr char kSession[] = "org.freedesktop.login1.Session";
constexpr char kUser[] = "org.freedesktop.login1.User";
constexpr char kDefaultSystemBus[] = "unix:path=/run/dbus/system_bus_socket";

using Clock = std::chrono::steady_clock;
constexpr std::chrono::seconds kDeadline{4};

// Flags of the *WithFlags methods (logind's own numbering).
constexpr std::uint64_t kRootCheckInhibitors = UINT64_C(1) << 0;
constexpr std::uint64_t kSkipInhibitors = UINT64_C(1) << 4;

struct BusDeleter {
  // No flush: every call has had its answer, and flushing a bus that never came up would wait
  // on sd-bus's own timeouts.
  void operator()(sd_bus* bus) const { sd_bus_close_unref(bus); }
};
using Bus = std::unique_ptr<sd_bus, BusDeleter>;

struct MessageDeleter {
  void operator()(sd_bus_message* m) const { sd_bus_message_unref(m); }
};
using Message = std::unique_ptr<sd_bus_message, MessageDeleter>;

// An sd_bus_error that frees itself.
struct Error {
  sd_bus_error e = SD_BUS_ERROR_NULL;
  Error() = default;
  Error(const Error&) = delete;
  Error& operator=(const Error&) = delete;
  ~Error() { sd_bus_error_free(&e); }
  bool Is(const char* name) const { return sd_bus_error_has_name(&e, name) > 0; }
  bool IsSet() const { return sd_bus_error_is_set(&e) > 0; }
};

// The text of a negative errno value as sd-bus returns them.
std::string ErrnoText(int r) { return std::generic_category().message(-r); }

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

// Logind's answers that mean "no such session (or user) of yours".
bool IsNoSession(const Error& error) {
  return error.Is("org.freedesktop.login1.NoSessionForPID") ||
         error.Is("org.freedesktop.login1.NoSuchSession") ||
         error.Is("org.freedesktop.login1.NoUserForPID") ||
         error.Is("org.freedesktop.login1.NoSuchUser");
}

RefusalCause CauseOf(const Error& error, int r) {
  if (!error.IsSet()) {
    switch (-r) {
      case ETIMEDOUT:
        return RefusalCause::NoAnswer;
      case ENOENT:
      case ECONNREFUSED:
      case ECONNRESET:
      case ENOTCONN:
      case EPIPE:
        return RefusalCause::NoLoginManager;
      default:
        return RefusalCause::Other;
    }
  }
  if (error.Is(SD_BUS_ERROR_ACCESS_DENIED) || error.Is(SD_BUS_ERROR_AUTH_FAILED) ||
      error.Is(SD_BUS_ERROR_INTERACTIVE_AUTHORIZATION_REQUIRED)) {
    return RefusalCause::NotAllowed;
  }
  if (error.Is("org.freedesktop.login1.BlockedByInhibitorLock")) return RefusalCause::Inhibited;
  if (IsNoSession(error)) return RefusalCause::NoSession;
  if (error.Is(SD_BUS_ERROR_SERVICE_UNKNOWN) || error.Is(SD_BUS_ERROR_NAME_HAS_NO_OWNER) ||
      error.Is(SD_BUS_ERROR_NO_SERVER) || error.Is(SD_BUS_ERROR_DISCONNECTED)) {
    return RefusalCause::NoLoginManager;
  }
  if (error.Is(SD_BUS_ERROR_TIMEOUT) || error.Is(SD_BUS_ERROR_NO_REPLY) ||
      error.Is("org.freedesktop.DBus.Error.TimedOut")) {
    return RefusalCause::NoAnswer;
  }
  return RefusalCause::Other;
}

PowerResult Refused(RefusalCause cause, std::string reason) {
  PowerResult result{false, std::move(reason), cause};
  if (cause == RefusalCause::NoAnswer) result.waitedSeconds = static_cast<int>(kDeadline.count());
  return result;
}

PowerResult Refused(const Error& error, int r, const std::string& what) {
  return Refused(CauseOf(error, r), Describe(error, r, what));
}

PowerResult NoAnswerBy(const std::string& what) {
  return Refused(RefusalCause::NoAnswer, what + ": " + ErrnoText(-ETIMEDOUT));
}

// The connection to the system bus, and what is left of the exchange's time.
class Link {
 public:
  explicit Link(Clock::time_point deadline) : deadline_(deadline) {}

  sd_bus* get() const { return bus_.get(); }

  // Microseconds left before the deadline; 0 once it has passed.
  std::uint64_t Left() const {
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(deadline_ - Clock::now()).count();
    return left > 0 ? static_cast<std::uint64_t>(left) : 0;
  }

  // Gives the next call what is left of the time. False when nothing is left.
  bool Arm() {
    const std::uint64_t left = Left();
    if (left == 0) return false;  // 0 would mean sd-bus's own default
    sd_bus_set_method_call_timeout(bus_.get(), left);
    return true;
  }

  // Connects, authenticates and greets the bus, all within the deadline.
  std::optional<PowerResult> Connect() {
    const std::string what = "Cannot connect to the system bus";
    sd_bus* raw = nullptr;
    int r = sd_bus_new(&raw);
    if (r < 0) return Refused(RefusalCause::Other, what + ": " + ErrnoText(r));
    bus_.reset(raw);
    // Read on the one thread that ever touches the environment here.
    const char* address = std::getenv("DBUS_SYSTEM_BUS_ADDRESS");  // NOLINT(concurrency-mt-unsafe)
    r = sd_bus_set_address(raw, address && *address ? address : kDefaultSystemBus);
    if (r >= 0) r = sd_bus_set_bus_client(raw, 1);
    if (r >= 0) r = sd_bus_set_allow_interactive_authorization(raw, 0);
    if (r >= 0 && !Arm()) return NoAnswerBy(what);  // the greeting's own timeout
    if (r >= 0) r = sd_bus_start(raw);
    while (r >= 0 && (r = sd_bus_is_ready(raw)) == 0) {
      const std::uint64_t left = Left();
      if (left == 0) return NoAnswerBy(what);
      r = sd_bus_process(raw, nullptr);
      if (r == 0) r = sd_bus_wait(raw, left);
    }
    if (r < 0) {
      const RefusalCause cause = r == -ETIMEDOUT ? RefusalCause::NoAnswer
                                                 : RefusalCause::NoLoginManager;
      return Refused(cause, what + ": " + ErrnoText(r));
    }
    return std::nullopt;
  }

 private:
  Clock::time_point deadline_;
  Bus bus_;
};

// Powers off or reboots. Forced: skip inhibitors where logind knows how (the flag came with
// logind 257; older ones reject it as an invalid argument and, from 248 on, already let root and
// the lock's own user through without it). Older still: the plain method without flags.
PowerResult PowerAction(Link& link, const char* method, bool forced) {
  const std::string withFlags = std::string(method) + "WithFlags";
  const auto callWithFlags = [&](std::uint64_t flags, Error& error) {
    if (!link.Arm()) return -ETIMEDOUT;
    return sd_bus_call_method(link.get(), kLogind, kManagerPath, kManager, withFlags.c_str(),
                              &error.e, nullptr, "t", flags);
  };
  if (forced) {
    Error error;
    const int r = callWithFlags(kSkipInhibitors, error);
    if (r >= 0) return {true, {}};
    if (error.Is(SD_BUS_ERROR_INVALID_ARGS)) {
      Error again;
      const int r2 = callWithFlags(0, again);
      if (r2 >= 0) return {true, {}};
      if (!again.Is(SD_BUS_ERROR_UNKNOWN_METHOD)) return Refused(again, r2, method);
    } else if (!error.Is(SD_BUS_ERROR_UNKNOWN_METHOD)) {
      return Refused(error, r, method);
    }
  } else {
    Error error;
    const int r = callWithFlags(kRootCheckInhibitors, error);
    if (r >= 0) return {true, {}};
    if (!error.Is(SD_BUS_ERROR_UNKNOWN_METHOD)) return Refused(error, r, method);
  }
  Error error;
  int r = -ETIMEDOUT;
  if (link.Arm()) {
    r = sd_bus_call_method(link.get(), kLogind, kManagerPath, kManager, method, &error.e, nullptr,
                           "b", 0);
  }
  if (r >= 0) return {true, {}};
  return Refused(error, r, method);
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
  return {{}, {}, Refused(error, r, what)};
}

// Logind's session of that name: "auto", or a session id. A logind before "auto" was known
// (243) answers NoSuchSession, and the next way is tried.
Lookup SessionNamed(Link& link, const std::string& name) {
  const std::string what = "GetSession(" + name + ")";
  if (!link.Arm()) return {{}, {}, NoAnswerBy(what)};
  Error error;
  sd_bus_message* raw = nullptr;
  int r = sd_bus_call_method(link.get(), kLogind, kManagerPath, kManager, "GetSession", &error.e,
                             &raw, "s", name.c_str());
  const Message reply(raw);
  if (r < 0) return Failed(error, r, what);
  const char* path = nullptr;
  r = sd_bus_message_read(reply.get(), "o", &path);
  if (r < 0) return {{}, {}, Refused(error, r, what)};
  return {path, {}, std::nullopt};
}

// The display session of our user, as logind keeps it on the user object.
Lookup UserDisplay(Link& link) {
  const std::string what = "GetUser(" + std::to_string(getuid()) + ")";
  if (!link.Arm()) return {{}, {}, NoAnswerBy(what)};
  Error error;
  sd_bus_message* raw = nullptr;
  int r = sd_bus_call_method(link.get(), kLogind, kManagerPath, kManager, "GetUser", &error.e, &raw,
                             "u", static_cast<std::uint32_t>(getuid()));
  Message reply(raw);
  if (r < 0) return Failed(error, r, what);
  const char* userPath = nullptr;
  r = sd_bus_message_read(reply.get(), "o", &userPath);
  if (r < 0) return {{}, {}, Refused(error, r, what)};
  const std::string user = userPath;

  if (!link.Arm()) return {{}, {}, NoAnswerBy("Display")};
  raw = nullptr;
  r = sd_bus_get_property(link.get(), kLogind, user.c_str(), kUser, "Display", &error.e, &raw,
                          "(so)");
  reply.reset(raw);
  if (r < 0) return Failed(error, r, "Display");
  const char* id = nullptr;
  const char* path = nullptr;
  r = sd_bus_message_read(reply.get(), "(so)", &id, &path);
  if (r < 0) return {{}, {}, Refused(error, r, "Display")};
  if (id == nullptr || *id == '\0') return {{}, "Display: user " + user + " has none", std::nullopt};
  return {path, {}, std::nullopt};
}

// Whose session it is: false with `result` set when logind could not tell.
bool SessionUid(Link& link, const std::string& path, std::uint32_t& uid, PowerResult& result) {
  const std::string what = "User of " + path;
  if (!link.Arm()) {
    result = NoAnswerBy(what);
    return false;
  }
  Error error;
  sd_bus_message* raw = nullptr;
  int r = sd_bus_get_property(link.get(), kLogind, path.c_str(), kSession, "User", &error.e, &raw,
                              "(uo)");
  const Message reply(raw);
  const char* userPath = nullptr;
  if (r >= 0) r = sd_bus_message_read(reply.get(), "(uo)", &uid, &userPath);
  if (r < 0) {
    result = Refused(error, r, what);
    return false;
  }
  return true;
}

// Ends our user's graphical session: the first session that one of the ways finds and that is
// ours.
PowerResult EndOwnSession(Link& link) {
  std::string missing;
  for (int way = 0; way < 3; ++way) {
    Lookup found;
    if (way == 0) {
      found = SessionNamed(link, "auto");
    } else if (way == 1) {
      found = UserDisplay(link);
    } else {
      // Read on the one thread that ever touches the environment here.
      const char* id = std::getenv("XDG_SESSION_ID");  // NOLINT(concurrency-mt-unsafe)
      if (id == nullptr || *id == '\0') break;
      found = SessionNamed(link, id);
    }
    if (found.failure) return *found.failure;
    if (found.path.empty()) {
      missing += (missing.empty() ? "" : "; ") + found.missing;
      continue;
    }
    std::uint32_t uid = 0;
    PowerResult failure;
    if (!SessionUid(link, found.path, uid, failure)) return failure;
    if (uid != getuid()) {
      missing += (missing.empty() ? "" : "; ") + found.path + " belongs to user " +
                 std::to_string(uid);
      continue;
    }
    if (!link.Arm()) return NoAnswerBy("Terminate");
    Error error;
    const int r = sd_bus_call_method(link.get(), kLogind, found.path.c_str(), kSession, "Terminate",
                                     &error.e, nullptr, "");
    if (r >= 0) return {true, {}};
    return Refused(error, r, "Terminate");
  }
  return Refused(RefusalCause::NoSession, missing);
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
    if (std::optional<PowerResult> failure = link.Connect()) return *failure;
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
