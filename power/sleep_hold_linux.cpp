// The sleep hold on Linux: the desktop's own inhibition of automatic suspend, asked for on the
// session bus, first of whichever of these answers:
//  - the desktop portal, org.freedesktop.portal.Inhibit with flag 4 (suspend; 8 would be idle,
//    which keeps the screen on as well), ended by closing the Request it returns. GNOME and KDE
//    both serve it; their power managers then hold off the suspend they would do after so many
//    idle minutes;
//  - org.freedesktop.PowerManagement.Inhibit (KDE's PowerDevil, Xfce's power manager), which
//    holds off the automatic suspend only;
//  - org.gnome.SessionManager.Inhibit with flag 4, for a GNOME session without the portal.
// A sleep the user asks for goes on: logind puts the machine to sleep for the lid and the keys
// whatever such a hold says. logind's own "sleep" lock is never taken: it would block the
// user's own `systemctl suspend` as well. Each of these services drops the hold when our
// connection closes, so the connection stays open while we hold it. Every exchange is bounded by
// the deadline of bus_link.h; when no desktop answers, the countdown goes on without a hold.
#include <systemd/sd-bus.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "power/bus_link.h"
#include "power/sleep_hold.h"

namespace orvane {
namespace {

using bus::Clock;
using bus::Error;
using bus::kDeadline;
using bus::Link;
using bus::Message;

constexpr char kReason[] = "A countdown to shutdown, restart or log-off is running";
constexpr std::uint32_t kInhibitSuspend = 4;

enum class Way { Portal, PowerManagement, GnomeSession };

// The session bus, as sd-bus would find it.
std::optional<std::string> SessionBusAddress() {
  // Read on the one thread that ever touches the environment here.
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");  // NOLINT(concurrency-mt-unsafe)
  if (address && *address) return std::string(address);
  const char* runtime = std::getenv("XDG_RUNTIME_DIR");  // NOLINT(concurrency-mt-unsafe)
  if (runtime && *runtime) return "unix:path=" + std::string(runtime) + "/bus";
  return std::nullopt;
}

class DesktopSleepHold final : public SleepHold {
 public:
  void Hold() override {
    const std::optional<std::string> address = SessionBusAddress();
    if (!address) return;
    link_ = std::make_unique<Link>(Clock::now() + kDeadline);
    if (link_->Connect(*address) < 0) {
      link_.reset();
      return;
    }
    for (const Way way : {Way::Portal, Way::PowerManagement, Way::GnomeSession}) {
      if (!link_->Arm()) break;
      if (Ask(way)) return;
    }
    link_.reset();
  }

  void Release() override {
    if (!link_) return;
    link_->Renew(Clock::now() + kDeadline);
    if (link_->Arm()) {
      Error error;
      switch (way_) {
        case Way::Portal:
          sd_bus_call_method(link_->get(), "org.freedesktop.portal.Desktop", handle_.c_str(),
                             "org.freedesktop.portal.Request", "Close", &error.e, nullptr, "");
          break;
        case Way::PowerManagement:
          sd_bus_call_method(link_->get(), "org.freedesktop.PowerManagement",
                             "/org/freedesktop/PowerManagement/Inhibit",
                             "org.freedesktop.PowerManagement.Inhibit", "UnInhibit", &error.e,
                             nullptr, "u", cookie_);
          break;
        case Way::GnomeSession:
          sd_bus_call_method(link_->get(), "org.gnome.SessionManager", "/org/gnome/SessionManager",
                             "org.gnome.SessionManager", "Uninhibit", &error.e, nullptr, "u",
                             cookie_);
          break;
      }
    }
    // Closing the connection ends the hold too, should the call above have failed.
    link_.reset();
  }

 private:
  bool Ask(Way way) {
    Error error;
    sd_bus_message* raw = nullptr;
    int r = -1;
    switch (way) {
      case Way::Portal:
        r = sd_bus_call_method(link_->get(), "org.freedesktop.portal.Desktop",
                               "/org/freedesktop/portal/desktop", "org.freedesktop.portal.Inhibit",
                               "Inhibit", &error.e, &raw, "sua{sv}", "", kInhibitSuspend, 1,
                               "reason", "s", kReason);
        break;
      case Way::PowerManagement:
        r = sd_bus_call_method(link_->get(), "org.freedesktop.PowerManagement",
                               "/org/freedesktop/PowerManagement/Inhibit",
                               "org.freedesktop.PowerManagement.Inhibit", "Inhibit", &error.e,
                               &raw, "ss", "Orvane", kReason);
        break;
      case Way::GnomeSession:
        r = sd_bus_call_method(link_->get(), "org.gnome.SessionManager", "/org/gnome/SessionManager",
                               "org.gnome.SessionManager", "Inhibit", &error.e, &raw, "susu",
                               "Orvane", 0u, kReason, kInhibitSuspend);
        break;
    }
    const Message reply(raw);
    if (r < 0) return false;
    if (way == Way::Portal) {
      const char* handle = nullptr;
      if (sd_bus_message_read(reply.get(), "o", &handle) < 0) return false;
      handle_ = handle;
    } else if (sd_bus_message_read(reply.get(), "u", &cookie_) < 0) {
      return false;
    }
    way_ = way;
    return true;
  }

  std::unique_ptr<Link> link_;  // open while held
  Way way_ = Way::Portal;
  std::string handle_;        // the portal's Request
  std::uint32_t cookie_ = 0;  // the others' cookie
};

}  // namespace

std::unique_ptr<SleepHold> MakeSystemSleepHold() { return std::make_unique<DesktopSleepHold>(); }

}  // namespace orvane
