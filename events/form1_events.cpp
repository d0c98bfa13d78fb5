#include "events/form1_events.h"

#include <exception>

#include "form/layout.h"

namespace orvane {
namespace {

constexpr char kBoxTitle[] = "Velmo";
constexpr char kWelcome[] = "welCome :)";
constexpr char kGoodbye[] = "good bye ..";

const char* ProcedureName(Event event) {
  switch (event) {
    case Event::Form_Load: return "Form_Load";
    case Event::Form_MouseDown: return "Form_MouseDown";
    case Event::Form_MouseMove: return "Form_MouseMove";
    case Event::Label7_MouseMove: return "Label7_MouseMove";
    case Event::Label7_Click: return "Label7_Click";
    case Event::Command1_Click: return "Command1_Click";
    case Event::Command2_Click: return "Command2_Click";
    case Event::Text1_GotFocus: return "Text1_GotFocus";
    case Event::Text1_LostFocus: return "Text1_LostFocus";
    case Event::Timer1_Timer: return "Timer1_Timer";
    case Event::Timer2_Timer: return "Timer2_Timer";
    case Event::wktats_Timer:
    case Event::Form_Moved: return "wktats_Timer";
    case Event::Form_Closed: return "the end";
  }
  return "an event";
}

void Require(Control c, Property p) {
  if (!HasProperty(c, p)) throw PropertyError(c, p);
}

}  // namespace

std::string CheckedControls::Text(Control c) const {
  Require(c, Property::Text);
  return form_.Text(c);
}

void CheckedControls::SetText(Control c, std::string_view text) {
  Require(c, Property::Text);
  form_.SetText(c, text);
}

void CheckedControls::SetEnabled(Control c, bool enabled) {
  Require(c, Property::Enabled);
  form_.SetEnabled(c, enabled);
}

std::int16_t CheckedControls::ListIndex(Control c) const {
  Require(c, Property::ListIndex);
  return form_.ListIndex(c);
}

void CheckedControls::SetForeColor(Control c, Color color) {
  Require(c, Property::ForeColor);
  form_.SetForeColor(c, color);
}

void CheckedControls::SetTop(Control c, int top) {
  Require(c, Property::Top);
  form_.SetTop(c, top);
}

void CheckedControls::MsgBox(std::string_view prompt, int style, std::string_view title) {
  form_.MsgBox(prompt, style, title);
}

void CheckedControls::ApplyColorKey() { form_.ApplyColorKey(); }
void CheckedControls::BeginSystemMove() { form_.BeginSystemMove(); }
void CheckedControls::EndProgram() { form_.EndProgram(); }
void CheckedControls::EndWithError(std::string_view procedure, std::string_view what) {
  form_.EndWithError(procedure, what);
}

Form1Events::Form1Events(FormControls& form, PowerPlatform& platform)
    : form_(form), checked_(form), countdown_(checked_, platform) {}

void Form1Events::Handle(Event event, FocusPeer peer) {
  if (ended_) return;
  if (event == Event::Form_Closed) {
    ended_ = true;
    form_.EndProgram();
    return;
  }
  const bool focus = event == Event::Text1_GotFocus || event == Event::Text1_LostFocus;
  if (focus && peer == FocusPeer::OutsideWindow) return;
  if (running_) {
    // Another procedure waits in a message box: nothing starts inside it.
    if (event == Event::Timer1_Timer) ++minuteTicksPutOff_;
    if (event == Event::wktats_Timer || event == Event::Form_Moved) pinPutOff_ = true;
    return;
  }
  Run(event);
  if (event == Event::Form_Load) pinPutOff_ = true;  // at the top before the first frame
  RunPutOff();
}

void Form1Events::Run(Event event) {
  // The system's move may hold the press until the button is released (Win32 runs a modal move
  // loop): the ticks that come meanwhile must run, so it does not count as a procedure.
  running_ = event != Event::Form_MouseDown;
  try {
    switch (event) {
      case Event::Form_Load: Form_Load(); break;
      case Event::Form_MouseDown: checked_.BeginSystemMove(); break;
      case Event::Form_MouseMove: Form_MouseMove(); break;
      case Event::Label7_MouseMove: Label7_MouseMove(); break;
      case Event::Label7_Click: Label7_Click(); break;
      case Event::Command1_Click: countdown_.Command1_Click(); break;
      case Event::Command2_Click: countdown_.Command2_Click(); break;
      case Event::Text1_GotFocus: countdown_.Text1_GotFocus(); break;
      case Event::Text1_LostFocus: countdown_.Text1_LostFocus(); break;
      case Event::Timer1_Timer: countdown_.Timer1_Timer(); break;
      case Event::Timer2_Timer: countdown_.Timer2_Timer(); break;
      case Event::wktats_Timer:
      case Event::Form_Moved: wktats_Timer(); break;
      case Event::Form_Closed: break;
    }
  } catch (const std::exception& e) {
    Fail(event, e.what());
  } catch (...) {
    Fail(event, "an unknown error");
  }
  running_ = false;
}

void Form1Events::RunPutOff() {
  while (!ended_) {
    if (minuteTicksPutOff_ > 0) {
      --minuteTicksPutOff_;
      Run(Event::Timer1_Timer);
    } else if (pinPutOff_) {
      pinPutOff_ = false;
      Run(Event::wktats_Timer);
    } else {
      return;
    }
  }
}

void Form1Events::Fail(Event event, const char* what) {
  ended_ = true;
  form_.EndWithError(ProcedureName(event), what);
}

void Form1Events::Form_Load() {
  checked_.MsgBox(kWelcome, kMbOk | kMbIconExclamation, kBoxTitle);
  checked_.ApplyColorKey();
}

void Form1Events::Form_MouseMove() { checked_.SetForeColor(Control::Label7, layout::kRestColor); }

void Form1Events::Label7_MouseMove() { checked_.SetForeColor(Control::Label7, layout::kHoverColor); }

void Form1Events::Label7_Click() {
  // From here on nothing runs, whatever happens while the goodbye box is open: no tick, no
  // power request.
  ended_ = true;
  checked_.MsgBox(kGoodbye, kMbOk | kMbIconExclamation, kBoxTitle);
  checked_.EndProgram();
}

void Form1Events::wktats_Timer() { checked_.SetTop(Control::Form1, 0); }

}  // namespace orvane
