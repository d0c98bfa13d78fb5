// Form1 as it is created: the window, its controls, fonts, colours, timers and the action list.
// One table read by both front ends. Places are pixels at 96 dots per inch (15 twips a pixel).
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "form/controls.h"

namespace orvane::layout {

inline constexpr int kTwipsPerPixel = 15;

enum class Kind : std::uint8_t { Form, TextBox, ComboBox, Button, Label, Line, Timer };

struct Font {
  std::string_view face;
  int centipoints;  // 825 is 8.25 pt
  bool bold;
  constexpr double points() const { return centipoints / 100.0; }
};

struct Rect {
  int x, y, w, h;
};

struct ControlLayout {
  Control id;
  Kind kind;
  Rect box;                 // pixels; for Line1 the box runs from (x, y) to (x + w, y + h)
  std::string_view text;    // Text or Caption at creation
  Font font;
  Color fore;
  Color back;               // kTransparent for labels
  int tabIndex;             // -1 where the control has none
  bool autoSize;            // Label2 and Label3 size themselves to their text
  std::string_view tooltip{};  // shown while the pointer rests on the control
  bool hardEdges = false;   // drawn without smoothing: Close, the field's digits (on keyed white)
};

inline constexpr Color kTransparent = 0xFFFFFFFFu;

inline constexpr Font kWindowFont{"Tahoma", 825, false};

// The visible controls from the top of the stacking order downwards. Close stands on the white
// that the colour key cuts away: smoothed edges would leave a pale fringe around its letters, so
// its text has hard edges.
inline constexpr std::array<ControlLayout, 12> kControls{{
    {Control::Text1, Kind::TextBox, {104, 176, 25, 19}, "0", kWindowFont, kSysWindowText, kSysWindow, 3, false, "Countdown when", true},
    {Control::Command2, Kind::Button, {160, 144, 65, 25}, "Stop", kWindowFont, kSysButtonText, kSysButtonFace, 2, false},
    {Control::Command1, Kind::Button, {96, 144, 65, 25}, "Start", kWindowFont, kSysButtonText, kSysButtonFace, 1, false},
    {Control::Combo1, Kind::ComboBox, {96, 120, 129, 21}, "", {"MS Sans Serif", 825, false}, Rgb(0, 255, 0), kSysDesktop, 0, false},
    {Control::Label7, Kind::Label, {280, 224, 33, 17}, "Close", {"Tahoma", 900, true}, kSysButtonText, kTransparent, 10, false, {}, true},
    {Control::Label6, Kind::Label, {176, 208, 9, 17}, "", {"Tahoma", 825, true}, kSysButtonText, kTransparent, 9, false},
    {Control::Line1, Kind::Line, {104, 200, 112, 0}, "", kWindowFont, kSysWindowText, kTransparent, -1, false},
    {Control::Label5, Kind::Label, {136, 176, 57, 17}, "Minute", {"Tempus Sans ITC", 975, true}, kSysButtonText, kTransparent, 8, false},
    {Control::Label4, Kind::Label, {232, 96, 9, 17}, "", kWindowFont, kSysButtonText, kTransparent, 7, false},
    {Control::Label3, Kind::Label, {136, 208, 39, 13}, "Minute", {"Tahoma", 825, true}, kSysButtonText, kTransparent, 6, true},
    {Control::Label2, Kind::Label, {112, 208, 7, 13}, "0", {"Tahoma", 825, true}, kSysButtonText, kTransparent, 5, true},
    {Control::Label1, Kind::Label, {232, 104, 17, 9}, "", kWindowFont, kSysButtonText, kTransparent, 4, false},
}};

// The window itself.
inline constexpr int kClientWidth = 335;
inline constexpr int kClientHeight = 265;
inline constexpr std::string_view kInitialCaption = "Orvane";

// The action list, in the order Start maps to action codes.
inline constexpr std::array<std::string_view, 3> kComboItems{"Shutdown", "Reboot", "Logoff"};

struct TimerLayout {
  Control id;
  int intervalMs;
  bool enabledAtCreation;
};
// wktats, the top pin, ticks once a minute. The front ends pin the window the moment they hear
// it moved (by the user, another program or the window manager), when a move ends and before it
// is first shown, so the tick is only the net under all of that: it puts the window back after a
// change nobody told us of, such as a monitor plugged in or out under a window that stayed where
// it was. Such a change is rare and a window hanging a little low is no harm, so waiting up to a
// minute for it costs the user little, while a shorter tick costs every idle hour: one wake-up a
// minute is below what the other shutdown timers of a desktop spend idle. A panel that keeps the
// top edge free is still never fought: the pin asks at most a few times from one place.
inline constexpr int kPinIntervalMs = 60000;
inline constexpr std::array<TimerLayout, 3> kTimers{{
    {Control::Timer1, 60000, false},
    {Control::Timer2, 1000, false},
    {Control::wktats, kPinIntervalMs, true},
}};

// A timer's row; nullptr for anything but the three timers.
const TimerLayout* FindTimer(Control c);

// The pure-white colour key and the Close label's two colours.
inline constexpr Color kColorKey = Rgb(255, 255, 255);
inline constexpr Color kHoverColor = 255;
inline constexpr Color kRestColor = 0;

// A system colour as the keyed window draws it: one that equals the key (white text in a
// high-contrast or dark scheme) would be cut out and let clicks through, so it is drawn one step
// off, (254, 254, 254). The minutes field's background is the one system colour drawn as it is:
// its inside is meant to be see-through.
constexpr Color OffKey(Color rgb) { return rgb == kColorKey ? Rgb(254, 254, 254) : rgb; }

// Looks a control up in kControls; nullptr for Form1 and the timers.
const ControlLayout* Find(Control c);

// The controls that take the focus (labels and the line never do), by their tabIndex: Combo1,
// Command1, Command2, Text1.
std::span<const Control> TabOrder();

}  // namespace orvane::layout
