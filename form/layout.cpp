#include "form/layout.h"

#include <algorithm>

namespace orvane::layout {

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

}  // namespace orvane::layout
