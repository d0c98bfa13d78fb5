// One countdown: its three fields and the event procedures that change them.
#pragma once

#include <cstdint>
#include <string>

#include "power/mod_power.h"
#include "power/sleep_hold.h"
#include "form/controls.h"

namespace orvane {

inline constexpr int kMinMinutes = 5;
inline constexpr int kMaxMinutes = 240;

// "Orvane (30 - 7)".
std::string CountdownCaption(std::int16_t target, std::int16_t elapsed);

class Countdown {
 public:
  // The system's automatic idle sleep is held off through `hold` from an accepted Start until
  // Stop, the target minute's request or End.
  Countdown(FormControls& form, PowerPlatform& platform, SleepHold& hold)
      : form_(form), power_(platform), hold_(hold) {}

  void Command1_Click();   // Start
  void Command2_Click();   // Stop
  void Timer1_Timer();     // the minute tick
  void Timer2_Timer();     // the waiting dots
  void Text1_GotFocus();
  void Text1_LostFocus();

  // The program ends (Close, closed from outside, an error, the system's own end): the
  // countdown lets go of what it holds.
  void End() { hold_.Release(); }

  std::int16_t TargetMinutes() const { return TargetMinutes_; }
  std::int16_t ElapsedMinutes() const { return ElapsedMinutes_; }
  std::int16_t ActionMode() const { return ActionMode_; }

 private:
  FormControls& form_;
  ModPower power_;
  SleepHold& hold_;
  std::int16_t TargetMinutes_ = 0;
  std::int16_t ElapsedMinutes_ = 0;
  std::int16_t ActionMode_ = 0;
};

}  // namespace orvane
