// One Orvane at a time in a session. Every Orvane opens at the same place, pinned to the top: a
// second one would cover the first exactly, and the one beneath would count on, unseen, to a
// forced end. A second start brings the running Orvane forward instead, and ends.
#pragma once

namespace orvane::win32 {

// The mark of a running Orvane: a mutex of the session's namespace, held by the running process
// and gone with it, however it ends. Installers look for it by this name.
inline constexpr wchar_t kRunningMark[] = L"Local\\Orvane";

// True when this process now holds the mark, until it ends. Otherwise another Orvane runs: its
// window (or, before the window is shown, its welcome box) has been brought to the front, and
// this process must end without showing anything.
bool TakeRunningMark();

}  // namespace orvane::win32
