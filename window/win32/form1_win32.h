// Form1 on plain Win32: a borderless layered window of class "OrvaneForm1" that draws its
// picture, labels and line itself and hosts Text1, Combo1, Command1 and Command2 as child
// windows. It turns window messages into Form1's event procedures and implements the controls
// they read and write; the countdown itself lives in the core.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "events/form1_events.h"
#include "form/controls.h"
#include "form/layout.h"
#include "power/power_platform.h"
#include "window/win32/access_win32.h"
#include "window/win32/fonts_win32.h"
#include "window/win32/handles_win32.h"

namespace orvane::win32 {

inline constexpr wchar_t kFormClass[] = L"OrvaneForm1";

// Child window identifiers and timer identifiers, as outside tools know them.
inline constexpr int kText1Id = 101;
inline constexpr int kCombo1Id = 102;
inline constexpr int kCommand1Id = 103;
inline constexpr int kCommand2Id = 104;
inline constexpr UINT_PTR kTimer1Id = 1;
inline constexpr UINT_PTR kTimer2Id = 2;
inline constexpr UINT_PTR kWktatsId = 3;
// Sent by AbandonForm1 to the window's own thread: its timers off, the window disabled.
inline constexpr UINT kAbandonMessage = WM_APP + 2;
// Posted by a screen reader's press on a drawn element (wParam: the control): the click.
inline constexpr UINT kAccessPressMessage = WM_APP + 1;
// Posted to itself when the window has moved: the core hears of the move once the move's own
// handling is over (see OnWindowPosChanged).
inline constexpr UINT kMovedMessage = WM_APP + 3;

// The last resort of a crash, safe to call from the crash filter because it touches no
// Form1Window: from here on the window passes every message to the system's default procedure
// (no tick, no click reaches the core), its timers are off and it takes no input.
void AbandonForm1();
// True once the window is abandoned: its procedures, the field's too, do nothing from then on.
bool Form1Abandoned();

class Form1Window final : public FormControls {
 public:
  // Creates the window and its controls, hidden, with wktats already ticking.
  static std::unique_ptr<Form1Window> Create(HINSTANCE instance, PowerPlatform& platform,
                                             SleepHold& hold);
  ~Form1Window() override;

  // Form_Load, then the first show: centred, the focus on Combo1.
  void LoadAndShow();

  // The message loop; returns the process's exit code.
  int Run();

  // FormControls
  std::string Text(Control c) const override;
  void SetText(Control c, std::string_view text) override;
  void SetEnabled(Control c, bool enabled) override;
  std::int16_t ListIndex(Control c) const override;
  void SetForeColor(Control c, Color color) override;
  int Top(Control c) const override;
  void SetTop(Control c, int top) override;
  void MsgBox(std::string_view prompt, int style, std::string_view title) override;
  void ApplyColorKey() override;
  void BeginSystemMove() override;
  void EndProgram() override;
  void EndWithError(std::string_view procedure, std::string_view what) override;

 private:
  Form1Window(HINSTANCE instance, PowerPlatform& platform, SleepHold& hold);
  Form1Window(const Form1Window&) = delete;
  Form1Window& operator=(const Form1Window&) = delete;

  static LRESULT CALLBACK WindowProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp);
  LRESULT HandleMessage(UINT msg, WPARAM wp, LPARAM lp);

  // One handler per message.
  void OnPaint();
  void OnTimer(UINT_PTR id);
  void OnCommand(int id, int code);
  void OnMouseDown(UINT msg, POINT at);
  void OnMouseUp(POINT at);
  void OnMouseMove(POINT at);
  LRESULT OnDrawItem(const DRAWITEMSTRUCT& item);
  LRESULT OnCtlColorListBox(HDC dc);
  LRESULT OnCtlColorText1(HDC dc);
  void OnActivate(bool active);
  void OnDpiChanged(int dpi, const RECT& suggested);
  void OnWindowPosChanged(const WINDOWPOS& pos);
  void OnMoved();  // the posted report of a move

  void CreateControls();
  void ApplyDpi(int dpi);     // fonts, picture, child places and the window's size at a DPI
  void BuildFonts();
  void BuildBackground();
  void PlaceControls();
  void FitComboHeight();
  void CenterOnScreen();
  RECT MonitorArea(DWORD fallback) const;  // the monitor that holds the window
  void UseClassicLook(HWND control);
  void MoveFocus(bool backwards);
  void FocusFirstEnabledAfter(HWND disabled);

  // Notes where Text1's focus comes from or goes to, for the focus events that follow.
  static LRESULT CALLBACK Text1FocusProc(HWND hwnd, UINT msg, WPARAM wp, LPARAM lp, UINT_PTR id,
                                         DWORD_PTR self);
  bool IsInside(HWND hwnd) const;

  // The unhandled-error path: the timers and the core stopped, a clear message box, then the
  // end with exit status 1.
  [[noreturn]] void FailWith(std::string_view where, std::string_view what);
  // Timers 1 to 3 off, and the core ended: no tick and no power request can follow.
  void StopEverything();

  int Scale(int pixels) const { return MulDiv(pixels, dpi_, 96); }
  RECT ScaledRect(const layout::Rect& r) const;
  RECT LabelRect(Control label) const;  // the label's box now (self-sizing labels follow text)
  const layout::ControlLayout* LabelAt(POINT at) const;
  HWND ChildOf(Control c) const;
  HFONT FontOf(Control c) const;
  COLORREF ToColorRef(Color c) const;
  static int Index(Control c) { return static_cast<int>(c); }

  HINSTANCE instance_;
  UniqueModule uxtheme_;
  using SetWindowThemeFn = HRESULT(WINAPI*)(HWND, LPCWSTR, LPCWSTR);
  SetWindowThemeFn setWindowTheme_ = nullptr;
  Form1Events events_;
  UniqueWindow window_;
  HWND text1_ = nullptr;
  HWND combo1_ = nullptr;
  HWND command1_ = nullptr;
  HWND command2_ = nullptr;
  HWND tooltip_ = nullptr;
  HWND savedFocus_ = nullptr;

  int dpi_ = 96;
  UniqueBitmap background_;  // the picture at the current DPI, client-sized
  struct FontSlot {
    layout::Font font;
    ChosenFont chosen;
  };
  std::vector<FontSlot> fonts_;
  ChosenFont text1Font_;  // the window font without smoothing, for the minutes field
  UniqueBrush desktopBrush_;
  SolidBrushCache lineBrush_;       // Line1's colour
  SolidBrushCache highlightBrush_;  // the chosen item of Combo1's list

  std::array<std::string, kControlCount> captions_{};  // labels' captions
  std::array<Color, kControlCount> foreColors_{};
  std::array<bool, 3> timerOn_{};
  FocusPeer text1FocusPeer_ = FocusPeer::InsideWindow;
  bool label7Pressed_ = false;
  bool countingMinute_ = false;  // a tick of Timer1 is being handled
  bool movedPosted_ = false;     // a kMovedMessage is on its way
  POINT placed_{};               // where the window was put before it was first shown
  bool keepPlace_ = false;       // under Wine, until the first input: see OnMoved
  std::unique_ptr<Form1Access> access_;  // made last, once the controls exist
};

}  // namespace orvane::win32
