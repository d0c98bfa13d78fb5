#include "window/layout.h"

#include <algorithm>
#include <string>

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

namespace layout {

const ControlLayout* Find(Control c) {
  const auto it = std::find_if(kControls.begin(), kControls.end(),
                               [c](const ControlLayout& s) { return s.id == c; });
  return it == kControls.end() ? nullptr : &*it;
}

const TimerLayout* FindTimer(Control c) {
  const auto it = std::find_if(kTimers.begin(), kTimers.end(),
                               [c](const TimerLayout& t) { return t.id == c; });
  return it == kTimers.end() ? nullptr : &*it;
}

namespace {

constexpr bool TakesFocus(const ControlLayout& entry) {
  return entry.tabIndex >= 0 && entry.kind != Kind::Label && entry.kind != Kind::Line;
}

constexpr std::size_t kFocusCount =
    static_cast<std::size_t>(std::count_if(kControls.begin(), kControls.end(), TakesFocus));

constexpr std::array<Control, kFocusCount> kTabOrder = [] {
  std::array<const ControlLayout*, kFocusCount> rows{};
  std::size_t n = 0;
  for (const ControlLayout& entry : kControls) {
    if (TakesFocus(entry)) rows[n++] = &entry;
  }
  std::sort(rows.begin(), rows.end(),
            [](const ControlLayout* a, const ControlLayout* b) { return a->tabIndex < b->tabIndex; });
  std::array<Control, kFocusCount> order{};
  for (std::size_t i = 0; i < kFocusCount; ++i) order[i] = rows[i]->id;
  return order;
}();

}  // namespace

std::span<const Control> TabOrder() { return kTabOrder; }

}  // namespace layout
}  // namespace orvane
