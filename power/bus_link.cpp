#include "power/bus_link.h"

#include <cerrno>
#include <system_error>

namespace orvane::bus {

std::string ErrnoText(int r) { return std::generic_category().message(-r); }

std::uint64_t Link::Left() const {
  const auto left =
      std::chrono::duration_cast<std::chrono::microseconds>(deadline_ - Clock::now()).count();
  return left > 0 ? static_cast<std::uint64_t>(left) : 0;
}

bool Link::Arm() {
  const std::uint64_t left = Left();
  if (left == 0) return false;  // 0 would mean sd-bus's own default
  sd_bus_set_method_call_timeout(bus_.get(), left);
  return true;
}

int Link::Connect(const std::string& address) {
  sd_bus* raw = nullptr;
  int r = sd_bus_new(&raw);
  if (r < 0) return r;
  bus_.reset(raw);
  r = sd_bus_set_address(raw, address.c_str());
  if (r >= 0) r = sd_bus_set_bus_client(raw, 1);
  if (r >= 0) r = sd_bus_set_allow_interactive_authorization(raw, 0);
  if (r >= 0 && !Arm()) return -ETIMEDOUT;  // the greeting's own timeout
  if (r >= 0) r = sd_bus_start(raw);
  while (r >= 0 && (r = sd_bus_is_ready(raw)) == 0) {
    const std::uint64_t left = Left();
    if (left == 0) return -ETIMEDOUT;
    r = sd_bus_process(raw, nullptr);
    if (r == 0) r = sd_bus_wait(raw, left);
  }
  return r < 0 ? r : 0;
}

}  // namespace orvane::bus
