#include "window/form1_events.h"

#include "window/layout.h"

namespace orvane {
namespace {
constexpr char kBoxTitle[] = "Velmo";
constexpr char kWelcome[] = "welCome :)";
constexpr char kGoodbye[] = "good bye ..";
}  // namespace

void Form1Events::Form_Load() {
  form_.MsgBox(kWelcome, kMbOk | kMbIconExclamation, kBoxTitle);
  form_.ApplyColorKey();
}

void Form1Events::Form_MouseDown() { form_.BeginSystemMove(); }

void Form1Events::Form_MouseMove() { form_.SetForeColor(Control::Label7, layout::kRestColor); }

void Form1Events::Label7_MouseMove() { form_.SetForeColor(Control::Label7, layout::kHoverColor); }

void Form1Events::Label7_Click() {
  form_.MsgBox(kGoodbye, kMbOk | kMbIconExclamation, kBoxTitle);
  form_.EndProgram();
}

void Form1Events::wktats_Timer() { form_.SetTop(Control::Form1, 0); }

}  // namespace orvane
