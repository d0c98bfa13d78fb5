// One countdown: its three fields and the event procedures that change them.
#pragma once

#include <cstdint>
#include <string>

#include "power/mod_power.h"
#include "form/controls.h"

namespace orvane {

inline constexpr int kMinMinutes = 5;
inline constexpr int kMaxMinutes = 240;

// "Orvane (30 - 7)".
std::string CountdownCaption(std::int16_t target, std::int16_t elapsed);

class Countdown {
 public:
  Countdown(FormControls& form, PowerPlatform& platform) : form_(form), power_(platform) {}

  void Command1_Click();   // Start
  void Command2_Click();   // Stop
  void Timer1_Timer();     // the minute tick
  void Timer2_Timer();     // the waiting dots
  void Text1_GotFocus();
  void Text1_LostFocus();

  std::int16_t TargetMinutes() const { return TargetMinutes_; }
  std::int16_t ElapsedMinutes() const { return ElapsedMinutes_; }
  std::int16_t ActionMode() const { return ActionMode_; }

 private:
  FormControls& form_;
  ModPower power_;
  std::int16_t TargetMinutes_ = 0;
  std::int16_t ElapsedMinutes_ = 0;
  std::int16_t ActionMode_ = 0;
};

}  // namespace orvane
