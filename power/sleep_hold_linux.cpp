// The sleep hold on Linux: the desktop's own inhibition of automatic suspend, asked for on the
// session bus, first of whichever of these answers:
//  - the desktop portal, org.freedesktop.portal.Inhibit with flag 4 (suspend; 8 would be idle,
//    which keeps the screen on as well). GNOME and KDE both serve it; their power managers then
//    hold off the suspend they would do after so many idle minutes;
//  - org.freedesktop.PowerManagement.Inhibit (KDE's PowerDevil, Xfce's power manager), which
//    holds off the automatic suspend only;
//  - org.gnome.SessionManager.Inhibit with flag 4, for a GNOME session without the portal.
// A sleep the user asks for goes on: logind puts the machine to sleep for the lid and the keys
// whatever such a hold says. logind's own "sleep" lock is never taken: it would block the
// user's own `systemctl suspend` as well.
//
// The hold is ours, not the user's, so the window never waits for it: a worker thread with a
// connection of its own asks, and Hold and Release only tell it what is wanted. It waits on its
// bus and on a wake-up together, so a hung desktop or a stopped bus daemon (which holds a new
// connection in its handshake) never keeps it from a new order or from ending. Each of these
// services drops a hold when its holder's connection closes: giving the hold back is closing the
// connection, which needs no answer, and ends an answer still on its way just as well.
#include <poll.h>
#include <sys/eventfd.h>
#include <systemd/sd-bus.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>

#include "power/bus_link.h"
#include "power/sleep_hold.h"

namespace orvane {
namespace {

using bus::Clock;

constexpr char kReason[] = "A countdown to shutdown, restart or log-off is running";
constexpr std::uint32_t kInhibitSuspend = 4;
// Nobody waits for the answer: a session bus still busy with a log-in gets as long as sd-bus
// itself would give it.
constexpr std::chrono::seconds kPatience{25};

enum class Way { Portal, PowerManagement, GnomeSession };

// The session bus, as sd-bus would find it.
std::optional<std::string> SessionBusAddress() {
  // Read once, on the window's thread, before the worker exists.
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");  // NOLINT(concurrency-mt-unsafe)
  if (address && *address) return std::string(address);
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");  // NOLINT(concurrency-mt-unsafe)
  if (runtime && *runtime) return "unix:path=" + std::string(runtime) + "/bus";
  return std::nullopt;
}

// One hold: its own connection, over which the ways are asked in turn until one grants it. Used
// by the worker thread only. Destroying it closes the connection, and with it the hold.
class Attempt {
 public:
  explicit Attempt(const std::string& address) : deadline_(Clock::now() + kPatience) {
    sd_bus* raw = nullptr;
    if (sd_bus_new(&raw) < 0) return;
    bus_.reset(raw);
    int r = sd_bus_set_address(raw, address.c_str());
    if (r >= 0) r = sd_bus_set_bus_client(raw, 1);
    if (r >= 0) r = sd_bus_set_method_call_timeout(raw, Left());  // the greeting's
    if (r >= 0) r = sd_bus_start(raw);  // only begins: the handshake goes on in Step
    // Asked at once: sd-bus sends it as soon as the connection is up.
    if (r >= 0) failed_ = !Ask(Way::Portal);
  }

  bool Failed() const { return failed_; }

  // What the worker's poll waits for on this connection, and until when (ms, -1 for ever).
  void Prepare(pollfd& fd, int& timeout_ms) const {
    fd.fd = sd_bus_get_fd(bus_.get());
    const int events = sd_bus_get_events(bus_.get());
    fd.events = static_cast<short>(events > 0 ? events : 0);
    std::uint64_t until = 0;  // CLOCK_MONOTONIC, as steady_clock
    if (sd_bus_get_timeout(bus_.get(), &until) < 0) until = UINT64_MAX;
    std::uint64_t left = UINT64_MAX;
    if (until != UINT64_MAX) {
      const auto now = static_cast<std::uint64_t>(
          std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch())
              .count());
      left = until > now ? until - now : 0;
    }
    if (!held_) left = std::min(left, Left());
    timeout_ms = left == UINT64_MAX
                     ? -1
                     : static_cast<int>(std::min<std::uint64_t>((left + 999) / 1000, 60'000));
  }

  // Takes in what the bus brought; the answers move the attempt on.
  void Step() {
    while (!failed_) {
      const int r = sd_bus_process(bus_.get(), nullptr);
      if (r < 0) failed_ = true;  // the bus went away, and any hold with it
      if (r <= 0) break;
    }
    if (!held_ && Left() == 0) failed_ = true;
  }

 private:
  std::uint64_t Left() const {
    const auto left =
        std::chrono::duration_cast<std::chrono::microseconds>(deadline_ - Clock::now()).count();
    return left > 0 ? static_cast<std::uint64_t>(left) : 0;
  }

  bool Ask(Way way) {
    const std::uint64_t left = Left();
    if (left == 0 || sd_bus_set_method_call_timeout(bus_.get(), left) < 0) return false;
    way_ = way;
    int r = -1;
    switch (way) {
      case Way::Portal:
        r = sd_bus_call_method_async(bus_.get(), nullptr, "org.freedesktop.portal.Desktop",
                                     "/org/freedesktop/portal/desktop",
                                     "org.freedesktop.portal.Inhibit", "Inhibit", OnAnswer, this,
                                     "sua{sv}", "", kInhibitSuspend, 1, "reason", "s", kReason);
        break;
      case Way::PowerManagement:
        r = sd_bus_call_method_async(bus_.get(), nullptr, "org.freedesktop.PowerManagement",
                                     "/org/freedesktop/PowerManagement/Inhibit",
                                     "org.freedesktop.PowerManagement.Inhibit", "Inhibit",
                                     OnAnswer, this, "ss", "Orvane", kReason);
        break;
      case Way::GnomeSession:
        r = sd_bus_call_method_async(bus_.get(), nullptr, "org.gnome.SessionManager",
                                     "/org/gnome/SessionManager", "org.gnome.SessionManager",
                                     "Inhibit", OnAnswer, this, "susu", "Orvane", 0u, kReason,
                                     kInhibitSuspend);
        break;
    }
    return r >= 0;
  }

  // Called from sd_bus_process in Step, never after the connection is closed.
  static int OnAnswer(sd_bus_message* reply, void* self_ptr, sd_bus_error* /*unused*/) {
    auto& self = *static_cast<Attempt*>(self_ptr);
    if (!sd_bus_message_is_method_error(reply, nullptr)) {
      self.held_ = true;  // the service holds it for as long as the connection stays open
    } else if (self.way_ == Way::GnomeSession) {
      self.failed_ = true;  // no desktop to ask: the countdown goes on without a hold
    } else {
      self.failed_ = !self.Ask(self.way_ == Way::Portal ? Way::PowerManagement : Way::GnomeSession);
    }
    return 0;
  }

  Clock::time_point deadline_;
  bus::Bus bus_;  // closed without a flush: nothing is left to say
  Way way_ = Way::Portal;
  bool held_ = false;
  bool failed_ = true;
};

class DesktopSleepHold final : public SleepHold {
 public:
  DesktopSleepHold() : address_(SessionBusAddress()) {}

  DesktopSleepHold(const DesktopSleepHold&) = delete;
  DesktopSleepHold& operator=(const DesktopSleepHold&) = delete;

  // Returns at once: the worker sees the wake-up wherever it waits, and closes what it holds.
  ~DesktopSleepHold() override {
    if (!worker_.joinable()) return;
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      quit_ = true;
    }
    Wake();
    worker_.join();
    close(wake_);
  }

  void Hold() override {
    if (!address_) return;
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!worker_.joinable() && !StartWorker()) return;
    wanted_ = true;
    ++asked_;  // a new countdown asks again where the last one found no desktop
    Wake();
  }

  void Release() override {
    const std::lock_guard<std::mutex> lock(mutex_);
    if (!worker_.joinable()) return;
    wanted_ = false;
    Wake();
  }

 private:
  // Under the lock. The hold is best effort: without a thread there is none.
  bool StartWorker() {
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (wake_ < 0) return false;
    try {
      worker_ = std::thread([this] { Run(); });
    } catch (const std::system_error&) {
      close(wake_);
      wake_ = -1;
      return false;
    }
    return true;
  }

  void Wake() const {
    const std::uint64_t one = 1;
    [[maybe_unused]] const ssize_t written = write(wake_, &one, sizeof one);
  }

  void Run() {
    std::unique_ptr<Attempt> attempt;
    std::uint64_t served = 0;
    for (;;) {
      bool wanted = false;
      std::uint64_t asked = 0;
      {
        const std::lock_guard<std::mutex> lock(mutex_);
        if (quit_) return;
        wanted = wanted_;
        asked = asked_;
      }
      if (!wanted) {
        attempt.reset();
      } else if (asked != served) {
        served = asked;
        // What is held or being asked for serves the new countdown as well.
        if (!attempt) attempt = std::make_unique<Attempt>(*address_);
      }
      if (attempt && attempt->Failed()) attempt.reset();

      pollfd fds[2] = {{wake_, POLLIN, 0}, {-1, 0, 0}};
      int timeout_ms = -1;
      if (attempt) attempt->Prepare(fds[1], timeout_ms);
      if (poll(fds, attempt ? 2 : 1, timeout_ms) < 0 && errno != EINTR) return;
      if (fds[0].revents & POLLIN) {
        std::uint64_t count = 0;
        [[maybe_unused]] const ssize_t got = read(wake_, &count, sizeof count);
      }
      if (attempt) attempt->Step();
    }
  }

  const std::optional<std::string> address_;
  std::mutex mutex_;
  bool wanted_ = false;      // under mutex_
  bool quit_ = false;        // under mutex_
  std::uint64_t asked_ = 0;  // under mutex_: the Holds so far
  int wake_ = -1;
  std::thread worker_;
};

}  // namespace

std::unique_ptr<SleepHold> MakeSystemSleepHold() { return std::make_unique<DesktopSleepHold>(); }

}  // namespace orvane
