#include "window/qt/x11_qt.h"

#include <xcb/shape.h>
#include <xcb/xcb.h>

#include <QGuiApplication>
#include <QWidget>
#include <QtGui/qguiapplication_platform.h>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace orvane::qt::x11 {
namespace {

// An xcb reply, freed with free() as xcb asks.
struct FreeReply {
  void operator()(void* reply) const { std::free(reply); }
};
template <typename Reply>
using ReplyPtr = std::unique_ptr<Reply, FreeReply>;

// The one guard: the X connection of the widget's window, nullptr where there is none.
xcb_connection_t* ConnectionOf(const QWidget& window) {
  if (QGuiApplication::platformName() != "xcb" || !window.testAttribute(Qt::WA_WState_Created)) {
    return nullptr;
  }
  auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
  return x11 ? x11->connection() : nullptr;
}

xcb_window_t WindowOf(const QWidget& window) { return static_cast<xcb_window_t>(window.winId()); }

xcb_atom_t InternAtom(xcb_connection_t* connection, const char* name) {
  const auto cookie =
      xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name);
  const ReplyPtr<xcb_intern_atom_reply_t> reply(xcb_intern_atom_reply(connection, cookie, nullptr));
  return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
}

}  // namespace

bool DisplayOpens(const char* display) {
  xcb_connection_t* connection = xcb_connect(display, nullptr);
  const bool ok = xcb_connection_has_error(connection) == 0;
  xcb_disconnect(connection);
  return ok;
}

bool HasWindow(const QWidget& window) { return ConnectionOf(window) != nullptr; }

std::optional<QPoint> Placed(const QWidget& window) {
  xcb_connection_t* connection = ConnectionOf(window);
  if (!connection) return std::nullopt;
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
  const auto cookie = xcb_translate_coordinates(connection, WindowOf(window), root, 0, 0);
  const ReplyPtr<xcb_translate_coordinates_reply_t> reply(
      xcb_translate_coordinates_reply(connection, cookie, nullptr));
  if (!reply) return std::nullopt;
  return QPoint(reply->dst_x, reply->dst_y);
}

bool MoveTo(const QWidget& window, QPoint device) {
  xcb_connection_t* connection = ConnectionOf(window);
  if (!connection) return false;
  const std::uint32_t position[] = {static_cast<std::uint32_t>(device.x()),
                                    static_cast<std::uint32_t>(device.y())};
  xcb_configure_window(connection, WindowOf(window), XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y,
                       position);
  xcb_flush(connection);
  return true;
}

bool SetShape(const QWidget& window, const QRegion& device) {
  xcb_connection_t* connection = ConnectionOf(window);
  if (!connection) return false;
  std::vector<xcb_rectangle_t> rects;
  rects.reserve(static_cast<std::size_t>(device.rectCount()));
  for (const QRect& r : device) {
    rects.push_back({static_cast<std::int16_t>(r.x()), static_cast<std::int16_t>(r.y()),
                     static_cast<std::uint16_t>(r.width()), static_cast<std::uint16_t>(r.height())});
  }
  xcb_shape_rectangles(connection, XCB_SHAPE_SO_SET, XCB_SHAPE_SK_BOUNDING,
                       XCB_CLIP_ORDERING_UNSORTED, WindowOf(window), 0, 0,
                       static_cast<std::uint32_t>(rects.size()), rects.data());
  xcb_flush(connection);
  return true;
}

bool Activate(const QWidget& window) {
  xcb_connection_t* connection = ConnectionOf(window);
  if (!connection) return false;
  const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
  xcb_client_message_event_t message{};
  message.response_type = XCB_CLIENT_MESSAGE;
  message.format = 32;
  message.window = WindowOf(window);
  message.type = InternAtom(connection, "_NET_ACTIVE_WINDOW");
  message.data.data32[0] = 2;  // the source: a pager or task bar, on the user's behalf
  message.data.data32[1] = XCB_CURRENT_TIME;
  xcb_send_event(connection, 0, root,
                 XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY | XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT,
                 reinterpret_cast<const char*>(&message));
  xcb_flush(connection);
  return true;
}

bool ClearTitle(const QWidget& window) {
  xcb_connection_t* connection = ConnectionOf(window);
  if (!connection) return false;
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, WindowOf(window),
                      InternAtom(connection, "_NET_WM_NAME"), InternAtom(connection, "UTF8_STRING"),
                      8, 0, nullptr);
  xcb_change_property(connection, XCB_PROP_MODE_REPLACE, WindowOf(window), XCB_ATOM_WM_NAME,
                      XCB_ATOM_STRING, 8, 0, nullptr);
  xcb_flush(connection);
  return true;
}

}  // namespace orvane::qt::x11
