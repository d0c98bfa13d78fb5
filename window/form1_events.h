// Every event procedure of Form1. A front end turns its toolkit's events into these calls and
// implements FormControls; it holds no logic of its own.
#pragma once

#include "countdown/countdown.h"
#include "power/power_platform.h"
#include "window/controls.h"

namespace orvane {

class Form1Events : public Countdown {
 public:
  Form1Events(FormControls& form, PowerPlatform& platform) : Countdown(form, platform) {}

  void Form_Load();         // welcome box, then the colour key
  void Form_MouseDown();    // any button: the system move
  void Form_MouseMove();    // Label7 back to black
  void Label7_MouseMove();  // Label7 red
  void Label7_Click();      // goodbye box, then the end
  void wktats_Timer();      // top edge back to 0
};

}  // namespace orvane
