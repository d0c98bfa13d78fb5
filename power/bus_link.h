// One connection to a D-Bus bus through sd-bus, with every step of the exchange (connecting,
// authenticating, the bus's greeting and each call) inside one deadline. sd-bus's own waits for
// the first three run 25 to 90 s: a stopped bus would otherwise hold the window that long. Used
// by the logind platform on the system bus and by the sleep hold on the session bus.
#pragma once

#include <systemd/sd-bus.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>

namespace orvane::bus {

using Clock = std::chrono::steady_clock;

// The deadline of every exchange with a bus, in seconds: the window waits no longer.
inline constexpr std::chrono::seconds kDeadline{4};

struct BusDeleter {
  // No flush: every call has had its answer, and flushing a bus that never came up would wait
  // on sd-bus's own timeouts.
  void operator()(sd_bus* bus) const { sd_bus_close_unref(bus); }
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
  bool IsSet() const { return sd_bus_error_is_set(&e) > 0; }
  const char* Name() const { return IsSet() ? e.name : ""; }
};

// The text of a negative errno value as sd-bus returns them.
std::string ErrnoText(int r);

// The connection, and what is left of the exchange's time.
class Link {
 public:
  explicit Link(Clock::time_point deadline) : deadline_(deadline) {}

  sd_bus* get() const { return bus_.get(); }

  // Microseconds left before the deadline; 0 once it has passed.
  std::uint64_t Left() const;

  // Gives the next call what is left of the time. False when nothing is left.
  bool Arm();

  // Starts a new deadline for the exchanges that follow on this connection.
  void Renew(Clock::time_point deadline) { deadline_ = deadline; }

  // Connects to `address`, authenticates and awaits the bus's greeting, all within the deadline.
  // 0 when connected, else a negative errno (-ETIMEDOUT when the time ran out).
  int Connect(const std::string& address);

 private:
  Clock::time_point deadline_;
  Bus bus_;
};

}  // namespace orvane::bus
