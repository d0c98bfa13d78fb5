// Takes and gives back the idle-sleep hold N times in a row (a Start and a Stop each), then ends
// it; prints what it leaves behind, counted against before the hold existed:
//   "given back: fds +F threads +T"   once the hold settles after the last Release
//   "ended: fds +F threads +T"        once the hold is destroyed
// Only for the end-to-end suite, which points DBUS_SESSION_BUS_ADDRESS at a private bus with a
// mock desktop portal first.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>

#include "power/sleep_hold.h"

namespace {

long Entries(const char* dir) {
  long n = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(dir)) ++n;
  return n;
}

struct Count {
  long fds = Entries("/proc/self/fd");
  long threads = Entries("/proc/self/task");
};

}  // namespace

int main(int argc, char** argv) {
  const char* bus = std::getenv("DBUS_SESSION_BUS_ADDRESS");  // NOLINT(concurrency-mt-unsafe)
  if (bus == nullptr || std::strstr(bus, "unix:path=/tmp/") != bus || argc != 2) {
    std::fprintf(stderr, "hold_probe CYCLES: DBUS_SESSION_BUS_ADDRESS must name a private bus in /tmp\n");
    return 2;
  }
  const long cycles = std::strtol(argv[1], nullptr, 10);
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
