// Holding off the system's automatic idle sleep while a countdown counts: the count runs on the
// minutes the machine is awake, so a machine that suspends itself after half an hour of no input
// would carry a three-hour shutdown into the next day. Only the automatic sleep is held off:
// never the display's blanking, never a sleep the user asks for (lid, button, menu).
// Implementations: Win32 (SetThreadExecutionState), Linux (the desktop's own inhibition on the
// session bus) and the recording fake of the unit tests.
#pragma once

#include <memory>

namespace orvane {

class SleepHold {
 public:
  virtual ~SleepHold() = default;
  // Best effort, and never a wait for the caller: when the system cannot be asked, or answers
  // late, the countdown goes on all the same. The hold knows whether it holds: Hold while held
  // and Release while not holding change nothing, and a Release gives back a hold still being
  // asked for as well, so that an answer after it holds nothing.
  virtual void Hold() = 0;
  virtual void Release() = 0;
};

// The real hold of this build.
std::unique_ptr<SleepHold> MakeSystemSleepHold();

}  // namespace orvane
