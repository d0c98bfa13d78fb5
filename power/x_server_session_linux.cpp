#include "power/x_server_session_linux.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

#include "power/session_choice.h"

namespace orvane {
namespace {

// The process at the other end of the X server's socket of display number `number`; 0 when no
// server listens there.
pid_t XServerPid(int number) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string path = "/tmp/.X11-unix/X" + std::to_string(number);
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return 0;
  ucred peer{};
  socklen_t size = sizeof(peer);
  const bool known =
      connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0 &&
      getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0;
  close(fd);
  return known ? peer.pid : 0;
}

}  // namespace

std::string XServerSession(bus::Link& link, std::string_view display) {
  const std::optional<int> number = LocalDisplayNumber(display);
  if (!number) return {};
  const pid_t server = XServerPid(*number);
  if (server <= 0 || !link.Arm()) return {};
  bus::Error error;
  sd_bus_message* raw = nullptr;
  int r = sd_bus_call_method(link.get(), "org.freedesktop.login1", "/org/freedesktop/login1",
                             "org.freedesktop.login1.Manager", "GetSessionByPID", &error.e, &raw,
                             "u", static_cast<std::uint32_t>(server));
  const bus::Message reply(raw);
  const char* path = nullptr;
  if (r >= 0) r = sd_bus_message_read(reply.get(), "o", &path);
  return r >= 0 && path ? path : "";
}

}  // namespace orvane
