// What a screen reader is told about Form1's controls, the same on both front ends. The field
// and the list get a name, since the words beside them are drawn on the window; of the labels,
// the count is named for what it counts, followed by the number (readers speak a label's name,
// not a value), the dots are a waiting animation, and Close is a button that can be pressed like
// a click. The other labels are read as their text; the buttons by their captions.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "form/controls.h"

namespace orvane::access {

enum class Role : std::uint8_t {
  Own,        // the control's own role (edit field, combo box)
  Counter,    // static text: its name, then its text ("Minutes counted: 7")
  Animation,  // changes by itself while something runs
  Button,     // a push button: its one action is the click
};

struct Accessible {
  Control id;
  std::string_view name;
  Role role;
};

inline constexpr std::array<Accessible, 5> kAccessible{{
    {Control::Text1, "Minutes", Role::Own},
    {Control::Combo1, "Action", Role::Own},
    {Control::Label2, "Minutes counted", Role::Counter},
    {Control::Label6, "Waiting", Role::Animation},
    {Control::Label7, "Close", Role::Button},
}};

// The control's row; nullptr for a control read as it is.
constexpr const Accessible* Find(Control c) {
  for (const Accessible& a : kAccessible) {
    if (a.id == c) return &a;
  }
  return nullptr;
}

// The name a reader speaks for a control of this row that shows `text` now.
inline std::string NameOf(const Accessible& row, std::string_view text) {
  std::string name(row.name);
  if (row.role == Role::Counter) name.append(": ").append(text);
  return name;
}

}  // namespace orvane::access
