// Fuzzes the leading-number rule and the Start button behind it.
//
// Input: the first byte picks Combo1's selection, the rest is the text of the minutes field.
// For every input:
//   - LeadingNumber is deterministic, never NaN, blind to spaces, tabs and line feeds, and on
//     texts of plain decimal characters agrees with the C library's strtod (the "C" locale);
//   - Start either refuses, with exactly one box (the range box when the number lies outside
//     5..240, else the action box), the field reset to "0" and the countdown still idle; or it
//     accepts, with 5 <= TargetMinutes <= 240 rounded half to even from the leading number, no
//     box, the inputs locked and the countdown caption.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include "countdown/countdown.h"
#include "countdown/leading_number.h"
#include "tests/support/fakes.h"

namespace {

using orvane::Control;

[[noreturn]] void Fail(const char* what, std::string_view text) {
  std::fprintf(stderr, "invariant broken: %s\ntext (%zu bytes): ", what, text.size());
  for (unsigned char c : text.substr(0, 200)) std::fprintf(stderr, c >= 32 && c < 127 ? "%c" : "\\x%02x", c);
  std::fputc('\n', stderr);
  std::abort();
}

#define CHECK(cond) do { if (!(cond)) Fail(#cond, text); } while (false)

constexpr std::int16_t kIndexChoices[] = {-1, 0, 1, 2, 3, 32767};

void CheckLeadingNumber(std::string_view text, double x) {
  CHECK(!std::isnan(x));
  std::string stripped(text);
  std::erase_if(stripped, [](char c) { return c == ' ' || c == '\t' || c == '\n'; });
  const double again = orvane::LeadingNumber(stripped);
  CHECK(again == x || (std::isinf(again) && std::isinf(x) && (again > 0) == (x > 0)));

  if (stripped.empty() || stripped[0] == '&') return;
  // strtod reads the same grammar on this alphabet (it has no "0x", "inf" or "nan" to take).
  // The longest prefix made only of characters a decimal number can hold.
  const std::string prefix = stripped.substr(0, stripped.find_first_not_of("+-.0123456789eE"));
  const double expected = std::strtod(prefix.c_str(), nullptr);
  // Underflow may read as 0 or as a subnormal.
  constexpr double kNormal = std::numeric_limits<double>::min();
  CHECK(std::fabs(expected) < kNormal ? std::fabs(x) < kNormal : x == expected);
}

void CheckStart(std::string_view text, std::int16_t index, double x) {
  orvane::testing::MemoryForm form;
  orvane::testing::RecordingPowerPlatform platform;
  orvane::testing::RecordingSleepHold hold;
  orvane::Countdown countdown(form, platform, hold);
  form.SetText(Control::Text1, text);
  form.listIndex = index;
  countdown.Command1_Click();

  const bool inRange = x >= 5 && x <= 240;
  const bool validIndex = index >= 0 && index <= 2;
  CHECK(platform.calls.empty());  // Start never talks to the power platform
  if (!inRange || !validIndex) {
    CHECK(form.boxes.size() == 1);
    CHECK(form.boxes[0].style == 64);
    CHECK(form.boxes[0].title == (inRange ? "Orvane" : "Infromasi"));
    CHECK(form.Text(Control::Text1) == "0");
    CHECK(countdown.TargetMinutes() == 0 && countdown.ElapsedMinutes() == 0);
    CHECK(!form.Enabled(Control::Timer1) && !form.Enabled(Control::Timer2));
    CHECK(form.Enabled(Control::Text1) && form.Enabled(Control::Command1));
    return;
  }
  const int target = countdown.TargetMinutes();
  CHECK(form.boxes.empty());
  CHECK(target >= 5 && target <= 240);
  const double distance = std::fabs(target - x);
  CHECK(distance <= 0.5);
  CHECK(distance < 0.5 || target % 2 == 0);  // exactly halfway goes to the even neighbour
  CHECK(countdown.ActionMode() == (index == 0 ? 1 : index == 1 ? 2 : 0));
  CHECK(form.Enabled(Control::Timer1) && form.Enabled(Control::Timer2));
  CHECK(!form.Enabled(Control::Text1) && !form.Enabled(Control::Command1));
  CHECK(form.Text(Control::Text1) == text);
  CHECK(form.Text(Control::Form1) == orvane::CountdownCaption(static_cast<std::int16_t>(target), 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  const std::int16_t index = kIndexChoices[data[0] % std::size(kIndexChoices)];
  const std::string_view text(reinterpret_cast<const char*>(data + 1), size - 1);

  const double x = orvane::LeadingNumber(text);
  CheckLeadingNumber(text, x);
  CheckStart(text, index, x);
  return 0;
}
