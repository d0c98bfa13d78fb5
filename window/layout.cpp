#include "window/layout.h"

#include <algorithm>

namespace orvane {

std::string_view ControlName(Control c) {
  static constexpr std::string_view kNames[kControlCount] = {
      "Form1",  "Text1",  "Combo1", "Command1", "Command2", "Label1", "Label2", "Label3",
      "Label4", "Label5", "Label6", "Label7",   "Line1",    "Timer1", "Timer2", "wktats"};
  return kNames[static_cast<int>(c)];
}

namespace layout {

const ControlLayout* Find(Control c) {
  const auto it = std::find_if(kControls.begin(), kControls.end(),
                               [c](const ControlLayout& s) { return s.id == c; });
  return it == kControls.end() ? nullptr : &*it;
}

std::span<const Control> TabOrder() {
  static constexpr Control kOrder[] = {Control::Combo1, Control::Command1, Control::Command2,
                                       Control::Text1};
  return kOrder;
}

}  // namespace layout
}  // namespace orvane
