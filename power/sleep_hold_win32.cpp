// The sleep hold on Windows: the thread's execution state says that the system is in use, which
// holds off idle sleep and nothing else (ES_DISPLAY_REQUIRED would keep the screen on; a sleep
// the user asks for is never blocked by it).
#include <windows.h>

#include "power/sleep_hold.h"

namespace orvane {
namespace {

class Win32SleepHold final : public SleepHold {
 public:
  // The window's one thread makes both calls, as the state belongs to the calling thread. Both
  // return at once, so the hold is taken and given back right here.
  void Hold() override {
    if (held_) return;
    held_ = true;
    SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED);
  }
  void Release() override {
    if (!held_) return;
    held_ = false;
    SetThreadExecutionState(ES_CONTINUOUS);
  }

 private:
  bool held_ = false;
};

}  // namespace

std::unique_ptr<SleepHold> MakeSystemSleepHold() { return std::make_unique<Win32SleepHold>(); }

}  // namespace orvane
