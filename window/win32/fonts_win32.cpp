#include "window/win32/fonts_win32.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <cwchar>
#include <vector>

#include "window/win32/text_win32.h"

namespace orvane::win32 {
namespace {

struct Substitutes {
  std::wstring_view face;
  std::array<std::wstring_view, 6> lookAlikes;
};

// Narrow sans faces first, so that a replacement needs little or no shrinking. The last entries
// are what Debian and Wine offer.
constexpr std::array<Substitutes, 3> kSubstitutes{{
    {L"Tahoma", {L"Segoe UI", L"Microsoft Sans Serif", L"Arial", L"Liberation Sans",
                 L"DejaVu Sans Condensed", L"DejaVu Sans"}},
    {L"MS Sans Serif", {L"Microsoft Sans Serif", L"Tahoma", L"Arial", L"Liberation Sans",
                        L"DejaVu Sans Condensed", L"DejaVu Sans"}},
    {L"Tempus Sans ITC", {L"Comic Sans MS", L"Comic Neue", L"Segoe Print", L"Tahoma",
                          L"Liberation Sans", L"DejaVu Sans Condensed"}},
}};

int CALLBACK NoteFound(const LOGFONTW*, const TEXTMETRICW*, DWORD, LPARAM found) {
  *reinterpret_cast<bool*>(found) = true;
  return 0;  // one is enough
}

// A text that the layout gives hard edges (Close, over the white that the colour key cuts away)
// is drawn without smoothing: smoothed edges would be blends with that white and stay on the
// screen as a pale fringe. A font shared with smoothed texts stays smoothed.
bool OnlyOverColorKey(const layout::Font& font) {
  bool any = false;
  for (const layout::ControlLayout& user : layout::kControls) {
    if (!SameFont(user.font, font)) continue;
    if (!user.hardEdges) return false;
    any = true;
  }
  return any;
}

LOGFONTW MakeLogFont(std::wstring_view face, int height, bool bold, bool smooth = true) {
  LOGFONTW lf{};
  lf.lfHeight = height;
  lf.lfWeight = bold ? FW_BOLD : FW_NORMAL;
  lf.lfCharSet = ANSI_CHARSET;  // Western
  lf.lfOutPrecision = OUT_DEFAULT_PRECIS;
  lf.lfClipPrecision = CLIP_DEFAULT_PRECIS;
  lf.lfQuality = smooth ? DEFAULT_QUALITY : NONANTIALIASED_QUALITY;
  lf.lfPitchAndFamily = DEFAULT_PITCH | FF_DONTCARE;
  face.copy(lf.lfFaceName, std::min<std::size_t>(face.size(), LF_FACESIZE - 1));
  return lf;
}

bool Fits(HDC dc, HFONT font, std::span<const FitRule> rules) {
  for (const FitRule& rule : rules) {
    const SIZE size = MeasureText(dc, font, rule.text);
    if (size.cx > rule.maxWidth) return false;
    if (rule.maxHeight > 0 && size.cy > rule.maxHeight) return false;
  }
  return true;
}

}  // namespace

bool FaceInstalled(HDC dc, std::wstring_view face) {
  LOGFONTW lf = MakeLogFont(face, 0, false);
  lf.lfCharSet = DEFAULT_CHARSET;
  bool found = false;
  EnumFontFamiliesExW(dc, &lf, NoteFound, reinterpret_cast<LPARAM>(&found), 0);
  return found;
}

std::wstring PickFace(HDC dc, std::wstring_view face) {
  if (FaceInstalled(dc, face)) return std::wstring(face);
  for (const Substitutes& s : kSubstitutes) {
    if (_wcsnicmp(s.face.data(), face.data(), std::max(s.face.size(), face.size())) != 0) continue;
    for (std::wstring_view alike : s.lookAlikes) {
      if (FaceInstalled(dc, alike)) return std::wstring(alike);
    }
  }
  return std::wstring(face);
}

SIZE MeasureText(HDC dc, HFONT font, std::wstring_view text) {
  SelectedObject selected(dc, font);
  SIZE size{};
  if (text.empty()) {
    TEXTMETRICW tm{};
    GetTextMetricsW(dc, &tm);
    size.cy = tm.tmHeight;
  } else {
    GetTextExtentPoint32W(dc, text.data(), static_cast<int>(text.size()), &size);
  }
  return size;
}

ChosenFont MakeFittedFont(HDC dc, const layout::Font& font, int dpi,
                          std::span<const FitRule> rules, bool hard) {
  const std::wstring wanted = Widen(font.face);
  ChosenFont chosen;
  chosen.face = PickFace(dc, wanted);
  chosen.substituted = _wcsicmp(chosen.face.c_str(), wanted.c_str()) != 0;
  chosen.height = -MulDiv(font.centipoints, dpi, 7200);
  const bool smooth = !hard && !OnlyOverColorKey(font);
  for (;;) {
    const LOGFONTW lf = MakeLogFont(chosen.face, chosen.height, font.bold, smooth);
    chosen.font.reset(CreateFontIndirectW(&lf));
    // The layout's own faces are trusted as drawn; only a replacement is shrunk, never below
    // two thirds of the size asked for.
    if (!chosen.substituted || Fits(dc, chosen.font.get(), rules)) break;
    if (-chosen.height * 3 <= MulDiv(font.centipoints, dpi, 7200) * 2) break;
    ++chosen.height;
  }
  return chosen;
}

bool SameFont(const layout::Font& a, const layout::Font& b) {
  return a.face == b.face && a.centipoints == b.centipoints && a.bold == b.bold;
}

ChosenFont MakeLayoutFont(HDC dc, const layout::Font& font, int dpi, bool hard) {
  const auto scale = [dpi](int pixels) { return MulDiv(pixels, dpi, 96); };
  std::vector<FitRule> rules;
  for (const layout::ControlLayout& user : layout::kControls) {
    if (!SameFont(user.font, font)) continue;
    const int w = scale(user.box.w);
    const int h = scale(user.box.h);
    switch (user.kind) {
      case layout::Kind::Label:
        if (!user.text.empty()) rules.push_back({Widen(user.text), w, h});
        break;
      case layout::Kind::TextBox:  // the longest valid minutes, inside the sunken border
        rules.push_back({L"240", w - scale(6), h - scale(4)});
        break;
      case layout::Kind::Button:
        rules.push_back({Widen(user.text), w - scale(8), h - scale(4)});
        break;
      case layout::Kind::ComboBox:  // beside the drop-down arrow
        for (std::string_view item : layout::kComboItems) {
          rules.push_back({Widen(item), w - scale(24), h - scale(6)});
        }
        break;
      default:
        break;
    }
  }
  return MakeFittedFont(dc, font, dpi, rules, hard);
}

}  // namespace orvane::win32
