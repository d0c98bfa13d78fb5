// Test doubles for the core: an in-memory Form1 and a power platform that records every call.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "form/controls.h"
#include "form/layout.h"
#include "power/power_platform.h"
#include "power/sleep_hold.h"

namespace orvane::testing {

struct MessageBox {
  std::string prompt;
  int style;
  std::string title;
  friend bool operator==(const MessageBox&, const MessageBox&) = default;
};

// Form1 as the layout creates it, held in memory. Every write is also logged, in order. Like a
// front end behind CheckedControls, it refuses a property its control lacks.
class MemoryForm final : public FormControls {
 public:
  MemoryForm() {
    for (const auto& entry : layout::kControls) text_[Index(entry.id)] = std::string(entry.text);
    text_[Index(Control::Form1)] = std::string(layout::kInitialCaption);
    enabled_.fill(true);
    for (const auto& t : layout::kTimers) enabled_[Index(t.id)] = t.enabledAtCreation;
  }

  std::string Text(Control c) const override {
    Refuse(c, Property::Text);
    return text_[Index(c)];
  }
  void SetText(Control c, std::string_view text) override {
    Refuse(c, Property::Text);
    text_[Index(c)] = std::string(text);
    log.push_back("SetText " + Name(c) + " \"" + std::string(text) + "\"");
  }
  void SetEnabled(Control c, bool enabled) override {
    Refuse(c, Property::Enabled);
    enabled_[Index(c)] = enabled;
    log.push_back("SetEnabled " + Name(c) + (enabled ? " on" : " off"));
  }
  std::int16_t ListIndex(Control c) const override {
    Refuse(c, Property::ListIndex);
    return listIndex;
  }
  void SetForeColor(Control c, Color color) override {
    Refuse(c, Property::ForeColor);
    log.push_back("SetForeColor " + Name(c) + " " + std::to_string(color));
  }
  int Top(Control c) const override {
    Refuse(c, Property::Top);
    return top;
  }
  void SetTop(Control c, int top) override {
    Refuse(c, Property::Top);
    if (!ignoresTop) this->top = top;
    log.push_back("SetTop " + Name(c) + " " + std::to_string(top));
  }
  void MsgBox(std::string_view prompt, int style, std::string_view title) override {
    boxes.push_back({std::string(prompt), style, std::string(title)});
    log.push_back("MsgBox " + std::string(title));
    if (onMsgBox) onMsgBox();
  }
  void ApplyColorKey() override { log.push_back("ApplyColorKey"); }
  void BeginSystemMove() override {
    log.push_back("BeginSystemMove");
    if (onSystemMove) onSystemMove();
  }
  void EndProgram() override { log.push_back("EndProgram"); }
  void EndWithError(std::string_view procedure, std::string_view what) override {
    log.push_back("EndWithError " + std::string(procedure) + ": " + std::string(what));
  }

  bool Enabled(Control c) const { return enabled_[Index(c)]; }

  std::int16_t listIndex = -1;
  int top = 100;
  bool ignoresTop = false;  // a window manager that ignores every request to move the window
  mutable int refused = 0;  // accesses to a property the control lacks
  std::vector<MessageBox> boxes;
  std::vector<std::string> log;
  std::function<void()> onMsgBox;      // runs while a box is "open"
  std::function<void()> onSystemMove;  // runs while the user "drags" the window

 private:
  static int Index(Control c) { return static_cast<int>(c); }
  void Refuse(Control c, Property p) const {
    if (HasProperty(c, p)) return;
    ++refused;
    throw PropertyError(c, p);
  }
  static std::string Name(Control c) { return std::string(ControlName(c)); }
  std::array<std::string, kControlCount> text_{};
  std::array<bool, kControlCount> enabled_{};
};

// Records every platform call with its arguments; answers as configured.
class RecordingPowerPlatform final : public PowerPlatform {
 public:
  // Configuration.
  std::uint32_t platformId = kVerPlatformWin32Nt;
  bool versionSucceeds = true;
  TokenHandle tokenToHand = 0x1234;
  bool openTokenSucceeds = true;
  Luid luidToHand{19, 0};
  bool lookupSucceeds = true;
  PowerResult exitResult{true, {}};

  // What was seen.
  std::vector<std::string> calls;
  TokenHandle adjustedToken = 0;
  TokenPrivileges newState{};
  std::vector<TokenHandle> closed;
  std::uint32_t exitFlags = 0xFFFFFFFF;

  bool GetVersionExA(OsVersionInfoA& info) override {
    calls.push_back("GetVersionExA");
    if (versionSucceeds) info.dwPlatformId = platformId;
    return versionSucceeds;
  }
  ProcessHandle GetCurrentProcess() override {
    calls.push_back("GetCurrentProcess");
    return static_cast<ProcessHandle>(-1);
  }
  bool OpenProcessToken(ProcessHandle, std::uint32_t, TokenHandle& token) override {
    calls.push_back("OpenProcessToken");
    if (openTokenSucceeds) token = tokenToHand;
    return openTokenSucceeds;
  }
  bool LookupPrivilegeValueA(const char*, const char*, Luid& luid) override {
    calls.push_back("LookupPrivilegeValueA");
    if (lookupSucceeds) luid = luidToHand;
    return lookupSucceeds;
  }
  bool AdjustTokenPrivileges(TokenHandle token, bool, const TokenPrivileges& state, std::uint32_t,
                             TokenPrivileges&, std::uint32_t&) override {
    calls.push_back("AdjustTokenPrivileges");
    adjustedToken = token;
    newState = state;
    return token != 0;
  }
  void CloseHandle(TokenHandle token) override {
    calls.push_back("CloseHandle");
    closed.push_back(token);
  }
  PowerResult ExitWindowsEx(std::uint32_t flags, std::uint32_t) override {
    calls.push_back("ExitWindowsEx");
    exitFlags = flags;
    return exitResult;
  }
};

// Records when the idle-sleep hold is taken and given back.
class RecordingSleepHold final : public SleepHold {
 public:
  std::vector<std::string> calls;

  void Hold() override { calls.push_back("Hold"); }
  void Release() override { calls.push_back("Release"); }
};

}  // namespace orvane::testing
