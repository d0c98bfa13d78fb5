// The toolkit-neutral face of Form1: its controls by name and the few window operations the
// event procedures need. Each front end (Win32, Qt) implements it; the unit tests use an in-memory
// form. Text is UTF-8.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace orvane {

// Every control of Form1, the window itself first. Timers count as controls, as on the form.
enum class Control : std::uint8_t {
  Form1,
  Text1,
  Combo1,
  Command1,
  Command2,
  Label1,
  Label2,
  Label3,
  Label4,
  Label5,
  Label6,
  Label7,
  Line1,
  Timer1,
  Timer2,
  wktats,
};
inline constexpr int kControlCount = static_cast<int>(Control::wktats) + 1;

// The control's name as the form knows it ("Text1", "wktats", ...).
std::string_view ControlName(Control c);

// The properties the event procedures read and write. Each exists on these controls only:
//   Text       Form1 (its caption), Text1, Command1, Command2 (their captions), the labels
//   Enabled    Text1, Combo1, Command1, Command2 and the three timers
//   ListIndex  Combo1
//   ForeColor  Text1, Combo1 and the labels
//   Top        Form1
// A procedure that reaches for a property its control lacks raises PropertyError, a run-time
// error like any other: a box that names it, then the program ends with exit status 1. Both
// front ends behave alike, since the check is made before the front end is asked.
enum class Property : std::uint8_t { Text, Enabled, ListIndex, ForeColor, Top };
bool HasProperty(Control c, Property p);

class PropertyError : public std::runtime_error {
 public:
  PropertyError(Control c, Property p);
};

// 24-bit colour, red in the low byte. A value with the top bit set names a system colour by its
// index in the low byte, as COLOR_BTNTEXT and friends number them.
using Color = std::uint32_t;
inline constexpr Color kSystemColorBit = 0x80000000u;
constexpr Color SystemColor(std::uint8_t index) { return kSystemColorBit | index; }
constexpr bool IsSystemColor(Color c) { return (c & kSystemColorBit) != 0; }
constexpr Color Rgb(std::uint8_t r, std::uint8_t g, std::uint8_t b) {
  return static_cast<Color>(r) | (static_cast<Color>(g) << 8) | (static_cast<Color>(b) << 16);
}
inline constexpr Color kSysDesktop = SystemColor(1);
inline constexpr Color kSysWindow = SystemColor(5);
inline constexpr Color kSysWindowText = SystemColor(8);
inline constexpr Color kSysButtonFace = SystemColor(15);
inline constexpr Color kSysButtonText = SystemColor(18);

// Message box styles, as the platform numbers them (buttons plus icon).
inline constexpr int kMbOk = 0;
inline constexpr int kMbIconError = 16;
inline constexpr int kMbIconExclamation = 48;
inline constexpr int kMbIconInformation = 64;

class FormControls {
 public:
  virtual ~FormControls() = default;

  // Text1's Text, a label's Caption, or Form1's Caption.
  virtual std::string Text(Control c) const = 0;
  virtual void SetText(Control c, std::string_view text) = 0;

  // Enabled of a control or a timer (a timer switched on starts a full interval from now).
  virtual void SetEnabled(Control c, bool enabled) = 0;

  // ListIndex of Combo1: the selected item, -1 for none.
  virtual std::int16_t ListIndex(Control c) const = 0;

  virtual void SetForeColor(Control c, Color color) = 0;

  // Form1's Top, in pixels from the top of the screen; the horizontal position is left alone.
  virtual void SetTop(Control c, int top) = 0;

  // A modal box; returns once the user has dismissed it, however that was done.
  virtual void MsgBox(std::string_view prompt, int style, std::string_view title) = 0;

  // Window operations of the skin and of the program's life.
  virtual void ApplyColorKey() = 0;     // every pure-white pixel transparent and click-through
  virtual void BeginSystemMove() = 0;   // the interactive move a press on a title bar starts
  virtual void EndProgram() = 0;        // ends at once: no further event procedure runs

  // The end for a run-time error that no procedure handles: a box naming the procedure and the
  // error, then the program ends with exit status 1.
  virtual void EndWithError(std::string_view procedure, std::string_view what) = 0;
};

}  // namespace orvane
