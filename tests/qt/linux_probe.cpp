// What run-e2e asks of the Linux platform and of the X server outside the program, one verb a run:
//   orvane_linux_probe exit FLAGS...   one exit request per argument (the flags, in decimal)
//                                      through the logind platform; prints "<flags> accepted" or
//                                      "<flags> refused <cause>: <reason>" per line
//   orvane_linux_probe hold CYCLES     takes and gives back the idle-sleep hold CYCLES times in a
//                                      row (a Start and a Stop each), then ends it; prints what it
//                                      leaves behind, counted against before the hold existed:
//                                      "given back: fds +F threads +T" once the hold settles after
//                                      the last Release, "ended: fds +F threads +T" once destroyed
//   orvane_linux_probe dock HEIGHT     a top panel: a dock window across the top of the screen that
//                                      reserves its height (_NET_WM_STRUT_PARTIAL), as desktop
//                                      panels do; runs until it is stopped
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

const char* CauseName(orvane::RefusalCause cause) {
  switch (cause) {
    case orvane::RefusalCause::NotAllowed: return "not-allowed";
    case orvane::RefusalCause::Inhibited: return "inhibited";
    case orvane::RefusalCause::NoSession: return "no-session";
    case orvane::RefusalCause::NoLoginManager: return "no-login-manager";
    case orvane::RefusalCause::NoAnswer: return "no-answer";
    case orvane::RefusalCause::NotAsked: return "not-asked";
    case orvane::RefusalCause::UnderWay: return "under-way";
    case orvane::RefusalCause::Other:
    default: return "other";
  }
}

int Exit(int argc, char** argv) {
  if (!PrivateBus("DBUS_SYSTEM_BUS_ADDRESS")) return 2;
  const auto platform = orvane::MakeSystemPowerPlatform();
  for (int i = 0; i < argc; ++i) {
    const auto flags = static_cast<std::uint32_t>(std::strtoul(argv[i], nullptr, 10));
    const orvane::PowerResult result = platform->ExitWindowsEx(flags, 0);
    if (result.accepted) {
      std::printf("%u accepted\n", flags);
    } else {
      std::printf("%u refused %s: %s\n", flags, CauseName(result.cause), result.reason.c_str());
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
  std::printf("ended: fds %+ld threads %+ld\n", after.fds - before.fds,
              after.threads - before.threads);
  return 0;
}

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  const auto cookie = xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
  const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
      xcb_intern_atom_reply(c, cookie, nullptr), &std::free);
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

int Dock(xcb_connection_t* c, long height) {
  xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
  const xcb_window_t w = xcb_generate_id(c);
  const std::uint32_t values[] = {0x303030};
  xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, 0, 0, screen->width_in_pixels,
                    static_cast<std::uint16_t>(height), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                    screen->root_visual, XCB_CW_BACK_PIXEL, values);

  const xcb_atom_t dock = Atom(c, "_NET_WM_WINDOW_TYPE_DOCK");
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, Atom(c, "_NET_WM_WINDOW_TYPE"), XCB_ATOM_ATOM,
                      32, 1, &dock);
  // left, right, top, bottom, then the start and end of each edge's span.
  const auto top = static_cast<std::uint32_t>(height);
  const std::array<std::uint32_t, 12> strut{0, 0, top, 0, 0, 0, 0, 0,
                                           0, screen->width_in_pixels - 1u, 0, 0};
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, Atom(c, "_NET_WM_STRUT_PARTIAL"),
                      XCB_ATOM_CARDINAL, 32, 12, strut.data());
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, Atom(c, "_NET_WM_STRUT"), XCB_ATOM_CARDINAL, 32,
                      4, strut.data());
  // WM_NORMAL_HINTS: placed by the user at 0,0, so that every window manager keeps it there.
  std::array<std::uint32_t, 18> hints{};
  hints[0] = 1 | 4;  // USPosition, PPosition
  hints[3] = screen->width_in_pixels;
  hints[4] = static_cast<std::uint32_t>(height);
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NORMAL_HINTS,
                      XCB_ATOM_WM_SIZE_HINTS, 32, hints.size(), hints.data());
  const char name[] = "orvane-test-panel";
  xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8,
                      sizeof name - 1, name);
  xcb_map_window(c, w);
  xcb_flush(c);
  while (xcb_generic_event_t* event = xcb_wait_for_event(c)) std::free(event);
  return 0;
}

int Unshape(xcb_connection_t* c, xcb_window_t window) {
  const xcb_void_cookie_t cookie =
      xcb_shape_mask_checked(c, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, window, 0, 0, XCB_NONE);
  xcb_generic_error_t* error = xcb_request_check(c, cookie);
  const int status = error ? 1 : 0;
  if (error) std::fprintf(stderr, "orvane_linux_probe: X error %d\n", error->error_code);
  std::free(error);
  return status;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string verb = argc > 2 ? argv[1] : "";
  if (verb == "exit") return Exit(argc - 2, argv + 2);
  if (verb == "hold") return Hold(std::strtol(argv[2], nullptr, 10));
  if (verb != "dock" && verb != "unshape") {
    std::fprintf(stderr, "usage: orvane_linux_probe exit FLAGS... | hold CYCLES | dock HEIGHT | unshape WINDOW\n");
    return 2;
  }
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c) != 0) {
    std::fprintf(stderr, "orvane_linux_probe: no X display\n");
    return 1;
  }
  const int status = verb == "dock" ? Dock(c, std::strtol(argv[2], nullptr, 10))
                                    : Unshape(c, static_cast<xcb_window_t>(std::strtoul(argv[2], nullptr, 0)));
  xcb_disconnect(c);
  return status;
}
