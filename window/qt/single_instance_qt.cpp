#include "window/qt/single_instance_qt.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QCoreApplication>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <thread>
#include <utility>

namespace orvane::qt {
namespace {

constexpr char kLockName[] = "/org.orvane.Orvane.lock";
constexpr char kSocketName[] = "/org.orvane.Orvane.socket";

// A folder that is ours alone: a real folder (not a link), owned by us, that no one else may
// read, write or enter. Nothing another user planted there can stand in for our lock.
bool OursAlone(const std::string& path) {
  struct stat st {};
  return lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == getuid() &&
         (st.st_mode & 077) == 0;
}

// $XDG_RUNTIME_DIR when it is ours alone; else a folder of our own under $TMPDIR (or /tmp),
// made or found private; else "" (then there is no guard, and Orvane runs all the same).
std::string RuntimeFolder(std::string& why) {
  // Read before any other thread exists.
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");  // NOLINT(concurrency-mt-unsafe)
  if (runtime && runtime[0] == '/' && OursAlone(runtime)) return runtime;
  const char* tmp = std::getenv("TMPDIR");  // NOLINT(concurrency-mt-unsafe)
  std::string folder = std::string(tmp && tmp[0] == '/' ? tmp : "/tmp") + "/orvane-runtime-" +
                             std::to_string(getuid());
  if (mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
    why = folder + ": " + std::strerror(errno);  // NOLINT(concurrency-mt-unsafe)
    return {};
  }
  if (!OursAlone(folder)) {
    why = folder + " is not a private folder of this user";
    return {};
  }
  return folder;
}

int UnixSocket() { return socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0); }

bool Address(const std::string& path, sockaddr_un& address) {
  address = {};
  address.sun_family = AF_UNIX;
  if (path.size() >= sizeof(address.sun_path)) return false;
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  return true;
}

}  // namespace

SingleInstance::SingleInstance() {
  const std::string folder = RuntimeFolder(unguarded_);
  if (folder.empty()) return;
  const std::string lockPath = folder + kLockName;
  socketPath_ = folder + kSocketName;
  lockFd_ = open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
  if (lockFd_ < 0) {
    unguarded_ = lockPath + ": " + std::strerror(errno);  // NOLINT(concurrency-mt-unsafe)
    return;
  }
  if (flock(lockFd_, LOCK_EX | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) {
      another_ = true;
    } else {
      unguarded_ = lockPath + ": " + std::strerror(errno);  // NOLINT(concurrency-mt-unsafe)
    }
    close(lockFd_);
    lockFd_ = -1;
    return;
  }
  // Ours now: a socket left by an Orvane that was killed is stale. Listening starts at once, so
  // a later start can reach us from the first moment; the requests wait until Listen.
  sockaddr_un address;
  if (!Address(socketPath_, address)) return;
  unlink(socketPath_.c_str());
  listenFd_ = UnixSocket();
  if (listenFd_ < 0) return;
  if (bind(listenFd_, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) != 0 ||
      listen(listenFd_, 4) != 0) {
    close(listenFd_);
    listenFd_ = -1;
  }
}

SingleInstance::~SingleInstance() {
  delete notifier_;
  if (listenFd_ >= 0) {
    close(listenFd_);
    unlink(socketPath_.c_str());
  }
  if (lockFd_ >= 0) close(lockFd_);
}

bool SingleInstance::BringRunningForward() const {
  sockaddr_un address;
  if (!another_ || !Address(socketPath_, address)) return false;
  // The running Orvane listens from the moment it holds the lock; a start that came within the
  // same instant may find the socket not there yet.
  for (int attempt = 0; attempt < 20; ++attempt) {
    const int fd = UnixSocket();
    if (fd < 0) return false;
    const bool reached =
        connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)) == 0;
    close(fd);
    if (reached) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
  }
  return false;
}

void SingleInstance::Listen(std::function<void()> comeForward) {
  if (listenFd_ < 0) return;
  comeForward_ = std::move(comeForward);
  notifier_ = new QSocketNotifier(listenFd_, QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier_, &QSocketNotifier::activated, [this] {
    // Each connection is one request; what it says does not matter.
    for (int fd; (fd = accept4(listenFd_, nullptr, nullptr, SOCK_CLOEXEC)) >= 0;) close(fd);
    if (comeForward_) comeForward_();
  });
}

}  // namespace orvane::qt
