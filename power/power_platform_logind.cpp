// The power platform on Linux: systemd-logind on the system bus, through sd-bus.
//
// Contract. The version query reports the NT family, so ModPower goes through its privilege
// steps; those succeed without effect, because polkit decides at the moment of the request. The
// exit request maps flags 1/5 to PowerOff, 2/6 to Reboot and 0/4 to terminating the caller's own
// session. No call ever asks for interactive authorisation, and every call gives up after
// kCallTimeout, so a dead or hung bus cannot freeze the window for long. A forced request (flag 4)
// skips inhibitor locks where the running logind offers that; whether the caller may is logind's
// and polkit's decision. A refusal comes back as the D-Bus error name and logind's own message.
// sd-bus reads DBUS_SYSTEM_BUS_ADDRESS, so a test can point the program at a private bus.
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <system_error>

#include "power/power_platform.h"

namespace orvane {
namespace {

constexpr char kLogind[] = "org.freedesktop.login1";
constexpr char kManagerPath[] = "/org/freedesktop/login1";
constexpr char kManager[] = "org.freedesktop.login1.Manager";
constexpr char kSession[] = "org.freedesktop.login1.Session";
constexpr std::uint64_t kCallTimeout = 3'000'000;  // microseconds

// Flags of the *WithFlags methods (logind's own numbering).
constexpr std::uint64_t kRootCheckInhibitors = UINT64_C(1) << 0;
constexpr std::uint64_t kSkipInhibitors = UINT64_C(1) << 4;

constexpr std::uint32_t kEwxForce = 4;

struct BusDeleter {
  void operator()(sd_bus* bus) const { sd_bus_flush_close_unref(bus); }
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
  void Reset() {
    sd_bus_error_free(&e);
    e = SD_BUS_ERROR_NULL;
  }
};

// The text of a negative errno value as sd-bus returns them.
std::string ErrnoText(int r) { return std::generic_category().message(-r); }

// "org.freedesktop.DBus.Error.AccessDenied: Permission denied", or the errno text when the
// failure happened before any reply.
std::string Describe(const Error& error, int r, const char* what) {
  std::string text = what;
  text += ": ";
  if (sd_bus_error_is_set(&error.e)) {
    text += error.e.name;
    if (error.e.message && *error.e.message) text += std::string(": ") + error.e.message;
  } else {
    text += ErrnoText(r);
  }
  return text;
}

PowerResult Refused(std::string reason) { return {false, std::move(reason)}; }

// Powers off or reboots. Forced: skip inhibitors where logind knows how (the flag came with
// logind 257; older ones reject it as an invalid argument and, from 248 on, already let root and
// the lock's own user through without it). Older still: the plain method without flags.
PowerResult PowerAction(sd_bus* bus, const char* method, bool forced) {
  const std::string withFlags = std::string(method) + "WithFlags";
  Error error;
  int r = 0;
  if (forced) {
    r = sd_bus_call_method(bus, kLogind, kManagerPath, kManager, withFlags.c_str(), &error.e,
                           nullptr, "t", kSkipInhibitors);
    if (r >= 0) return {true, {}};
    if (!error.Is(SD_BUS_ERROR_INVALID_ARGS) && !error.Is(SD_BUS_ERROR_UNKNOWN_METHOD)) {
      return Refused(Describe(error, r, method));
    }
    if (error.Is(SD_BUS_ERROR_INVALID_ARGS)) {
      error.Reset();
      r = sd_bus_call_method(bus, kLogind, kManagerPath, kManager, withFlags.c_str(), &error.e,
                             nullptr, "t", UINT64_C(0));
      if (r >= 0) return {true, {}};
      if (!error.Is(SD_BUS_ERROR_UNKNOWN_METHOD)) return Refused(Describe(error, r, method));
    }
  } else {
    r = sd_bus_call_method(bus, kLogind, kManagerPath, kManager, withFlags.c_str(), &error.e,
                           nullptr, "t", kRootCheckInhibitors);
    if (r >= 0) return {true, {}};
    if (!error.Is(SD_BUS_ERROR_UNKNOWN_METHOD)) return Refused(Describe(error, r, method));
  }
  error.Reset();
  r = sd_bus_call_method(bus, kLogind, kManagerPath, kManager, method, &error.e, nullptr, "b", 0);
  if (r >= 0) return {true, {}};
  return Refused(Describe(error, r, method));
}

// Ends the session this process belongs to; when logind does not know our process, the session
// named by $XDG_SESSION_ID.
PowerResult TerminateOwnSession(sd_bus* bus) {
  Error error;
  sd_bus_message* raw = nullptr;
  int r = sd_bus_call_method(bus, kLogind, kManagerPath, kManager, "GetSessionByPID", &error.e,
                             &raw, "u", static_cast<std::uint32_t>(getpid()));
  const Message reply(raw);
  if (r >= 0) {
    const char* path = nullptr;
    r = sd_bus_message_read(reply.get(), "o", &path);
    if (r < 0) return Refused(Describe(error, r, "GetSessionByPID"));
    r = sd_bus_call_method(bus, kLogind, path, kSession, "Terminate", &error.e, nullptr, "");
    if (r >= 0) return {true, {}};
    return Refused(Describe(error, r, "Terminate"));
  }
  // Read on the one thread that ever touches the environment here.
  const char* id = std::getenv("XDG_SESSION_ID");  // NOLINT(concurrency-mt-unsafe)
  if (!error.Is("org.freedesktop.login1.NoSessionForPID") || id == nullptr || *id == '\0') {
    return Refused(Describe(error, r, "GetSessionByPID"));
  }
  error.Reset();
  r = sd_bus_call_method(bus, kLogind, kManagerPath, kManager, "TerminateSession", &error.e,
                         nullptr, "s", id);
  if (r >= 0) return {true, {}};
  return Refused(Describe(error, r, "TerminateSession"));
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
    if (action > 2) return Refused("Unsupported exit request " + std::to_string(flags));

    sd_bus* raw = nullptr;
    const int r = sd_bus_open_system(&raw);
    if (r < 0) {
      return Refused("Cannot connect to the system bus: " + ErrnoText(r));
    }
    const Bus bus(raw);
    sd_bus_set_method_call_timeout(bus.get(), kCallTimeout);
    sd_bus_set_allow_interactive_authorization(bus.get(), 0);

    switch (action) {
      case 1:
        return PowerAction(bus.get(), "PowerOff", forced);
      case 2:
        return PowerAction(bus.get(), "Reboot", forced);
      default:
        return TerminateOwnSession(bus.get());
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
