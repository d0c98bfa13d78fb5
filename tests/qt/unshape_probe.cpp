// orvane_unshape_probe WINDOW: takes the shape off an X window, so that a screenshot shows all
// that the program drew, the pixels its shape cuts away included. For run-e2e's checks of the
// shape against what is drawn.
#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: orvane_unshape_probe WINDOW\n");
    return 2;
  }
  xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(connection)) {
    std::fprintf(stderr, "orvane_unshape_probe: no X display\n");
    return 1;
  }
  const auto window = static_cast<xcb_window_t>(std::strtoul(argv[1], nullptr, 0));
  const xcb_void_cookie_t cookie = xcb_shape_mask_checked(
      connection, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING, window, 0, 0, XCB_NONE);
  xcb_generic_error_t* error = xcb_request_check(connection, cookie);
  const int status = error ? 1 : 0;
  if (error) std::fprintf(stderr, "orvane_unshape_probe: X error %d\n", error->error_code);
  std::free(error);
  xcb_disconnect(connection);
  return status;
}
