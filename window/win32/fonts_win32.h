// The fonts of Form1 at a given DPI. A face that this machine lacks is replaced by the first
// installed face of a short list of look-alikes, and a replacement is made smaller, step by
// step, until every text that uses it fits the box the layout gives it.
#pragma once

#include <windows.h>

#include <span>
#include <string>
#include <string_view>

#include "form/layout.h"
#include "window/win32/handles_win32.h"

namespace orvane::win32 {

// A text the font must show inside a box of the given size (pixels at the font's DPI).
struct FitRule {
  std::wstring text;
  int maxWidth;
  int maxHeight;  // 0: height not checked
};

bool FaceInstalled(HDC dc, std::wstring_view face);

// The face to use for a face of the layout: itself when installed, else the first installed
// look-alike, else the face itself (the system's own font mapper then decides).
std::wstring PickFace(HDC dc, std::wstring_view face);

struct ChosenFont {
  UniqueFont font;
  std::wstring face;     // the face asked for after substitution
  int height = 0;        // lfHeight used (negative: character height in pixels)
  bool substituted = false;
};

// The font for a layout font at a DPI; a substitute shrinks until every rule holds.
ChosenFont MakeFittedFont(HDC dc, const layout::Font& font, int dpi, std::span<const FitRule> rules,
                          bool hard = false);

bool SameFont(const layout::Font& a, const layout::Font& b);

// The font of the layout at a DPI, fitted to every text of the layout that uses it; `hard`
// draws it without smoothing.
ChosenFont MakeLayoutFont(HDC dc, const layout::Font& font, int dpi, bool hard = false);

// Width and height of a single line of text in a font.
SIZE MeasureText(HDC dc, HFONT font, std::wstring_view text);

}  // namespace orvane::win32
