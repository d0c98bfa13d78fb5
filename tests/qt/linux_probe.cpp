// What run-e2e asks of the Linux platform and of the X server outside the program, one verb a run:
//   orvane_linux_probe exit FLAGS...   one exit request per argument (the flags, in decimal)
//                                      through the logind platform; prints "<flags> accepted" or
//                                      "<flags> refused <cause>: <reason>" per line
//   orvane_linux_probe hold CYCLES     takes and gives back the idle-sleep hold CYCLES times in a
//                                      row (a Start and a Stop each), then ends it; prints what it
//                                      leaves behind, counted against before the hold existed:
//                                      "given back: fds +F threads +T" once the hold settles after
//                                      the last Release, "ended: fds +F threads +T" once destroyed
//   orvane_linux_probe unshape WINDOW  takes the shape off an X window, so that a screenshot shows
//                                      all that the program drew, the pixels its shape cuts away
//                                      included
// exit and hold talk only to a private bus in /tmp (the suite's mock logind and desktop portal):
// never to the machine's own.
#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <thread>

#include "power/power_platform.h"
#include "power/sleep_hold.h"

namespace {

bool PrivateBus(const char* variable) {
  const char* bus = std::getenv(variable);  // NOLINT(concurrency-mt-unsafe)
  if (bus != nullptr && std::strstr(bus, "unix:path=/tmp/") == bus) return true;
  std::fprintf(stderr, "orvane_linux_probe: %s must name a private bus in /tmp\n", variable);
  return false;
}

// The causes' names, in the order of orvane::RefusalCause.
constexpr std::array<const char*, 8> kCauses{"other",     "not-allowed",      "inhibited",
                                             "no-session", "no-login-manager", "no-answer",
                                             "not-asked", "under-way"};

int Exit(int argc, char** argv) {
  if (!PrivateBus("DBUS_SYSTEM_BUS_ADDRESS")) return 2;
  const auto platform = orvane::MakeSystemPowerPlatform();
  for (int i = 0; i < argc; ++i) {
    const auto flags = static_cast<std::uint32_t>(std::strtoul(argv[i], nullptr, 10));
    const orvane::PowerResult result = platform->ExitWindowsEx(flags, 0);
    if (result.accepted) {
      std::printf("%u accepted\n", flags);
    } else {
      std::printf("%u refused %s: %s\n", flags, kCauses.at(static_cast<std::size_t>(result.cause)), result.reason.c_str());
    }
  }
  return 0;
}

long Entries(const char* dir) {
  long n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir)) ++n;
  return n;
}

struct Count {
  long fds = Entries("/proc/self/fd");
  long threads = Entries("/proc/self/task");
};

int Hold(long cycles) {
  if (!PrivateBus("DBUS_SESSION_BUS_ADDRESS")) return 2;
  const Count before;
  {
    auto hold = orvane::MakeSystemSleepHold();
    for (long i = 0; i < cycles; ++i) {
      hold->Hold();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
      hold->Release();
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    // The worker closes what it had a moment after the last Release: what stays is its own.
    Count settled;
    for (int i = 0; i < 100 && settled.fds > before.fds + 1; ++i) {
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
      settled = Count();
    }
    std::printf("given back: fds %+ld threads %+ld\n", settled.fds - before.fds,
                settled.threads - before.threads);
    hold->Hold();  // and the end comes while a hold is being asked for
    hold.reset();
  }
  const Count after;
  std::printf("ended: fds %+ld threads %+ld\n", after.fds - before.fds, after.threads - before.threads);
  return 0;
}

int Unshape(const char* window) {
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c) != 0) {
    std::fprintf(stderr, "orvane_linux_probe: no X display\n");
    return 1;
  }
  const auto id = static_cast<xcb_window_t>(std::strtoul(window, nullptr, 0));
  xcb_generic_error_t* error = xcb_request_check(
      c, xcb_shape_mask_checked(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, id, 0, 0, XCB_NONE));
  const int status = error ? 1 : 0;
  if (error) std::fprintf(stderr, "orvane_linux_probe: X error %d\n", error->error_code);
  std::free(error);
  xcb_disconnect(c);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string verb = argc > 2 ? argv[1] : "";
  if (verb == "exit") return Exit(argc - 2, argv + 2);
  if (verb == "hold") return Hold(std::strtol(argv[2], nullptr, 10));
  if (verb == "unshape") return Unshape(argv[2]);
  std::fprintf(stderr, "usage: orvane_linux_probe exit FLAGS... | hold CYCLES | unshape WINDOW\n");
  return 2;
}
