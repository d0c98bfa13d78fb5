// Form1's event procedures and the one door through which every event of either front end
// reaches them. A front end turns its toolkit's events into Handle() calls and implements
// FormControls; when a procedure runs, is put off or is dropped is decided here, for both.
#pragma once

#include <cstdint>

#include "countdown/countdown.h"
#include "power/power_platform.h"
#include "form/controls.h"

namespace orvane {

// Every event Form1 answers, named after the procedure it runs, and two notices of the window's
// own that run no procedure of their own.
enum class Event : std::uint8_t {
  Form_Load,
  Form_MouseDown,
  Form_MouseMove,
  Label7_MouseMove,
  Label7_Click,
  Command1_Click,
  Command2_Click,
  Text1_GotFocus,
  Text1_LostFocus,
  Timer1_Timer,
  Timer2_Timer,
  wktats_Timer,
  Form_Moved,   // the window moved, by whatever means: the top edge goes back to the top
  Form_Closed,  // closed from outside (window manager, task bar): the end, without the goodbye
};

// Where the focus came from (GotFocus) or went to (LostFocus). Only moves between the window's
// own controls are focus changes to the form: a switch to another program or to a message box
// and back runs neither procedure.
enum class FocusPeer : std::uint8_t { InsideWindow, OutsideWindow };

// The form as the procedures see it: every property access is checked against HasProperty first,
// then handed to the front end's form.
class CheckedControls final : public FormControls {
 public:
  explicit CheckedControls(FormControls& form) : form_(form) {}

  std::string Text(Control c) const override;
  void SetText(Control c, std::string_view text) override;
  void SetEnabled(Control c, bool enabled) override;
  std::int16_t ListIndex(Control c) const override;
  void SetForeColor(Control c, Color color) override;
  void SetTop(Control c, int top) override;
  void MsgBox(std::string_view prompt, int style, std::string_view title) override;
  void ApplyColorKey() override;
  void BeginSystemMove() override;
  void EndProgram() override;
  void EndWithError(std::string_view procedure, std::string_view what) override;

 private:
  FormControls& form_;
};

class Form1Events {
 public:
  Form1Events(FormControls& form, PowerPlatform& platform);

  // Runs the event's procedure, now or, for a minute tick that finds another procedure waiting
  // in a message box, once that procedure has returned. The rules:
  //  - procedures never nest: an event that arrives while one runs starts nothing inside it;
  //  - no minute is lost: such Timer1 ticks run afterwards, once each, in order; dots ticks,
  //    clicks, mouse and focus events are dropped, a pin is done once afterwards;
  //  - the system's move of the window (Form_MouseDown) is no procedure in progress: ticks, dots
  //    and the pin go on while the user drags;
  //  - from the click on Label7 on, nothing runs any more: no tick, no power request;
  //  - Form_Load is followed by the pin, so the window is at the top from its first frame;
  //  - an error raised by a procedure (a property the control lacks, say) ends the program
  //    through FormControls::EndWithError.
  void Handle(Event event, FocusPeer peer = FocusPeer::InsideWindow);

  const Countdown& countdown() const { return countdown_; }
  bool Ended() const { return ended_; }

 private:
  void Run(Event event);
  void RunPutOff();
  void Fail(Event event, const char* what);

  // The procedures of the window itself; the countdown's are Countdown's.
  void Form_Load();
  void Form_MouseMove();
  void Label7_MouseMove();
  void Label7_Click();
  void wktats_Timer();

  FormControls& form_;       // the front end's form, unchecked
  CheckedControls checked_;  // what the procedures use
  Countdown countdown_;
  bool running_ = false;
  bool ended_ = false;
  bool pinPutOff_ = false;
  int minuteTicksPutOff_ = 0;
};

}  // namespace orvane
