// A top panel for the end-to-end suite: a dock window across the top of the screen that reserves
// its height (_NET_WM_STRUT_PARTIAL), as desktop panels do. Runs until it is stopped.
//   orvane_dock HEIGHT
#include <xcb/xcb.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

xcb_atom_t Atom(xcb_connection_t* c, const char* name) {
  const auto cookie = xcb_intern_atom(c, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
  const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> reply(
      xcb_intern_atom_reply(c, cookie, nullptr), &std::free);
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

}  // namespace

int main(int argc, char** argv) {
  const long height = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 32;
  xcb_connection_t* c = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(c) != 0) {
    std::fprintf(stderr, "orvane_dock: no X display\n");
    return 1;
  }
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
  xcb_disconnect(c);
  return 0;
}
