#include "countdown/countdown.h"

#include <limits>

#include "countdown/leading_number.h"
#include "power/refusal_text.h"

namespace orvane {
namespace {

constexpr char kRangePrompt[] = "Batas waktu : Minimal 5 Menit, Maksimal 240 Menit.";
constexpr char kRangeTitle[] = "Infromasi";
constexpr char kActionPrompt[] = "Silakan pilih salah satu tindakan yang harus dijalankan.";
constexpr char kActionTitle[] = "Orvane";
constexpr char kRefusedTitle[] = "Orvane";

// Combo1's list order is not the order of the action codes.
constexpr std::int16_t kActionForIndex[] = {kActionShutdown, kActionReboot, kActionLogoff};

std::string RefusalPrompt(std::int16_t mode, const PowerResult& result) {
  return RefusalText(mode, result);
}

}  // namespace

std::string CountdownCaption(std::int16_t target, std::int16_t elapsed) {
  return "Orvane (" + std::to_string(target) + " - " + std::to_string(elapsed) + ")";
}

void Countdown::Command1_Click() {
  const double minutes = LeadingNumber(form_.Text(Control::Text1));
  if (!(minutes >= kMinMinutes && minutes <= kMaxMinutes)) {
    form_.MsgBox(kRangePrompt, kMbOk | kMbIconInformation, kRangeTitle);
    form_.SetText(Control::Text1, "0");
    return;
  }
  const std::int16_t index = form_.ListIndex(Control::Combo1);
  if (index < 0 || index > 2) {
    form_.MsgBox(kActionPrompt, kMbOk | kMbIconInformation, kActionTitle);
    form_.SetText(Control::Text1, "0");
    return;
  }
  ActionMode_ = kActionForIndex[index];
  TargetMinutes_ = *RoundToInt16(minutes);  // 5..240 always fits
  form_.SetEnabled(Control::Timer1, true);
  form_.SetEnabled(Control::Timer2, true);
  // The list is locked with the field: it shows the action that will be carried out.
  form_.SetEnabled(Control::Text1, false);
  form_.SetEnabled(Control::Combo1, false);
  form_.SetEnabled(Control::Command1, false);
  form_.SetText(Control::Form1, CountdownCaption(TargetMinutes_, ElapsedMinutes_));
  hold_.Hold();
}

void Countdown::Command2_Click() {
  hold_.Release();
  form_.SetEnabled(Control::Timer1, false);
  form_.SetEnabled(Control::Timer2, false);
  TargetMinutes_ = 0;
  ElapsedMinutes_ = 0;
  form_.SetText(Control::Label2, "0");
  form_.SetText(Control::Label6, "");
  form_.SetText(Control::Text1, "0");
  form_.SetEnabled(Control::Text1, true);
  form_.SetEnabled(Control::Combo1, true);
  form_.SetEnabled(Control::Command1, true);
  form_.SetText(Control::Form1, "");
}

void Countdown::Timer1_Timer() {
  // Nearly 23 days past a refused request the count would overflow: hold it where it is.
  if (ElapsedMinutes_ == std::numeric_limits<std::int16_t>::max()) return;
  ++ElapsedMinutes_;
  form_.SetText(Control::Label2, std::to_string(ElapsedMinutes_));
  form_.SetText(Control::Form1, CountdownCaption(TargetMinutes_, ElapsedMinutes_));
  if (TargetMinutes_ == ElapsedMinutes_) {
    hold_.Release();  // returns at once: the request never waits for the hold
    const PowerResult result = power_.RequestPowerAction(kTrue, ActionMode_);
    if (!result.accepted) {
      form_.MsgBox(RefusalPrompt(ActionMode_, result), kMbOk | kMbIconError, kRefusedTitle);
    }
  }
}

void Countdown::Timer2_Timer() {
  const std::string dots = form_.Text(Control::Label6);
  // Length in characters: the caption only ever holds dots, but count code points all the same.
  std::size_t length = 0;
  for (unsigned char c : dots) length += (c & 0xC0) != 0x80;
  form_.SetText(Control::Label6, length == 3 ? std::string() : dots + ".");
}

void Countdown::Text1_GotFocus() {
  if (LeadingNumber(form_.Text(Control::Text1)) == 0) form_.SetText(Control::Text1, "");
}

void Countdown::Text1_LostFocus() {
  if (form_.Text(Control::Text1).empty()) form_.SetText(Control::Text1, "0");
}

}  // namespace orvane
