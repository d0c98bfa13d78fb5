#include "form/controls.h"

#include <string>

#include "form/layout.h"

namespace orvane {

std::string_view ControlName(Control c) {
  static constexpr std::string_view kNames[kControlCount] = {
      "Form1",  "Text1",  "Combo1", "Command1", "Command2", "Label1", "Label2", "Label3",
      "Label4", "Label5", "Label6", "Label7",   "Line1",    "Timer1", "Timer2", "wktats"};
  return kNames[static_cast<int>(c)];
}

PropertyError::PropertyError(Control c, Property p)
    : std::runtime_error(std::string(ControlName(c)) + " has no property " +
                         (p == Property::Text        ? "Text"
                          : p == Property::Enabled   ? "Enabled"
                          : p == Property::ListIndex ? "ListIndex"
                          : p == Property::ForeColor ? "ForeColor"
                                                     : "Top")) {}

bool HasProperty(Control c, Property p) {
  switch (c) {
    case Control::Form1:
      return p == Property::Text || p == Property::Top;
    case Control::Timer1:
    case Control::Timer2:
    case Control::wktats:
      return p == Property::Enabled;
    default:
      break;
  }
  const layout::ControlLayout* entry = layout::Find(c);
  switch (entry ? entry->kind : layout::Kind::Line) {
    case layout::Kind::TextBox:
      return p == Property::Text || p == Property::Enabled || p == Property::ForeColor;
    case layout::Kind::ComboBox:
      return p == Property::Enabled || p == Property::ListIndex || p == Property::ForeColor;
    case layout::Kind::Button:
      return p == Property::Text || p == Property::Enabled;
    case layout::Kind::Label:
      return p == Property::Text || p == Property::ForeColor;
    default:
      return false;
  }
}

}  // namespace orvane
