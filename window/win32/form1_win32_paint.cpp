#include "window/win32/form1_win32.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <utility>

#include "form/renditions.h"
#include "window/win32/text_win32.h"

namespace orvane::win32 {
namespace {

// The DPI a rendition is drawn for.
constexpr int DpiOf(const layout::Rendition& r) { return r.percent * 96 / 100; }

}  // namespace

void Form1Window::BuildFonts() {
  // One font per distinct font of the layout, fitted to every text that uses it.
  std::vector<FontSlot> fonts;
  ScreenDc screen;
  for (const layout::ControlLayout& entry : layout::kControls) {
    const auto same = [&](const FontSlot& s) { return SameFont(s.font, entry.font); };
    if (std::any_of(fonts.begin(), fonts.end(), same)) continue;
    fonts.push_back({entry.font, MakeLayoutFont(screen.get(), entry.font, dpi_)});
  }
  // The field's digits stand on its white inside, which the key cuts away: drawn without
  // smoothing, no pale or coloured fringe stays around them.
  ChosenFont text1Font = MakeLayoutFont(screen.get(), layout::Find(Control::Text1)->font, dpi_,
                                          layout::Find(Control::Text1)->hardEdges);
  // The controls get the new fonts before the old ones are deleted: a control never holds a
  // deleted font, not even between two messages.
  std::vector<FontSlot> oldFonts = std::exchange(fonts_, std::move(fonts));
  ChosenFont oldText1Font = std::exchange(text1Font_, std::move(text1Font));
  for (const layout::ControlLayout& entry : layout::kControls) {
    if (HWND hwnd = ChildOf(entry.id)) {
      SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(entry.id)), TRUE);
    }
  }
}

void Form1Window::BuildBackground() {
  // The rendition drawn for this DPI is copied pixel for pixel. Another DPI takes the next
  // larger rendition (the largest above 200 %), scaled by nearest neighbour: no blended colours,
  // so the white key still cuts exactly.
  const layout::Rendition* rendition = &layout::kRenditions.back();
  for (const layout::Rendition& r : layout::kRenditions) {
    if (DpiOf(r) >= dpi_) {
      rendition = &r;
      break;
    }
  }
  // The resources are run-length compressed, which a DIB section cannot hold: they load as
  // bitmaps compatible with the screen, every colour exact (pure white stays pure white). Only
  // the one in use is loaded, and only while the window's picture is made from it.
  UniqueBitmap picture(static_cast<HBITMAP>(LoadImageW(
      instance_, MAKEINTRESOURCEW(rendition->resource), IMAGE_BITMAP, 0, 0, LR_DEFAULTCOLOR)));
  if (!picture) throw std::runtime_error("the picture is missing");
  const int w = Scale(layout::kClientWidth);
  const int h = Scale(layout::kClientHeight);
  ScreenDc screen;
  UniqueBitmap target(CreateCompatibleBitmap(screen.get(), w, h));
  UniqueMemoryDc to(CreateCompatibleDC(screen.get()));
  UniqueMemoryDc from(CreateCompatibleDC(screen.get()));
  {
    SelectedObject selectedTo(to.get(), target.get());
    SelectedObject selectedFrom(from.get(), picture.get());
    const int dpi = DpiOf(*rendition);
    if (dpi == dpi_) {
      BitBlt(to.get(), 0, 0, w, h, from.get(), 0, 0, SRCCOPY);
    } else {
      SetStretchBltMode(to.get(), COLORONCOLOR);
      StretchBlt(to.get(), 0, 0, Scale(layout::kPictureWidth), Scale(layout::kPictureHeight), from.get(), 0, 0,
                 MulDiv(layout::kPictureWidth, dpi, 96),
                 MulDiv(layout::kPictureHeight, dpi, 96),
                 SRCCOPY);
    }
  }
  background_ = std::move(target);
}

void Form1Window::OnPaint() {
  HWND hwnd = window_.get();
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(hwnd, &ps);
  const int w = Scale(layout::kClientWidth);
  const int h = Scale(layout::kClientHeight);
  UniqueMemoryDc canvas(CreateCompatibleDC(dc));
  UniqueBitmap surface(CreateCompatibleBitmap(dc, w, h));
  {
    SelectedObject selectedSurface(canvas.get(), surface.get());
    UniqueMemoryDc picture(CreateCompatibleDC(dc));
    {
      SelectedObject selectedPicture(picture.get(), background_.get());
      BitBlt(canvas.get(), 0, 0, w, h, picture.get(), 0, 0, SRCCOPY);
    }
    SetBkMode(canvas.get(), TRANSPARENT);
    // Bottom of the stacking order first, so that what lies above is drawn over it.
    for (auto it = layout::kControls.rbegin(); it != layout::kControls.rend(); ++it) {
      const layout::ControlLayout& entry = *it;
      if (entry.kind == layout::Kind::Line) {
        const int thickness = std::max(1, Scale(1));
        RECT line{Scale(entry.box.x), Scale(entry.box.y), Scale(entry.box.x + entry.box.w),
                  Scale(entry.box.y) + thickness};
        FillRect(canvas.get(), &line, lineBrush_.Get(ToColorRef(foreColors_[Index(entry.id)])));
      } else if (entry.kind == layout::Kind::Label) {
        const std::wstring text = Widen(captions_[Index(entry.id)]);
        if (text.empty()) continue;
        RECT box = LabelRect(entry.id);
        SelectedObject selectedFont(canvas.get(), FontOf(entry.id));
        SetTextColor(canvas.get(), ToColorRef(foreColors_[Index(entry.id)]));
        DrawTextW(canvas.get(), text.c_str(), static_cast<int>(text.size()), &box,
                  DT_LEFT | DT_TOP | DT_SINGLELINE | DT_NOPREFIX);
      }
    }
    BitBlt(dc, ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right - ps.rcPaint.left,
           ps.rcPaint.bottom - ps.rcPaint.top, canvas.get(), ps.rcPaint.left, ps.rcPaint.top,
           SRCCOPY);
  }
  EndPaint(hwnd, &ps);
}

LRESULT Form1Window::OnDrawItem(const DRAWITEMSTRUCT& item) {
  if (item.CtlID != kCombo1Id) return FALSE;
  const bool selected = (item.itemState & ODS_SELECTED) != 0;
  const bool field = (item.itemState & ODS_COMBOBOXEDIT) != 0;
  // The list's own colours; the highlight marks the chosen item, and the closed list only
  // while it has the focus.
  const bool highlight = selected && (!field || GetFocus() == combo1_);
  FillRect(item.hDC, &item.rcItem,
           highlight ? highlightBrush_.Get(ToColorRef(SystemColor(COLOR_HIGHLIGHT))) : desktopBrush_.get());
  if (item.itemID != static_cast<UINT>(-1)) {
    const auto length = SendMessageW(combo1_, CB_GETLBTEXTLEN, item.itemID, 0);
    std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
    SendMessageW(combo1_, CB_GETLBTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(std::max<LRESULT>(length, 0)));
    SetBkMode(item.hDC, TRANSPARENT);
    // Locked while a countdown runs: greyed like the locked minutes field, still legible.
    const bool locked = (item.itemState & ODS_DISABLED) != 0;
    SetTextColor(item.hDC, ToColorRef(highlight ? SystemColor(COLOR_HIGHLIGHTTEXT)
                                      : locked  ? SystemColor(COLOR_GRAYTEXT)
                                                : foreColors_[Index(Control::Combo1)]));
    RECT r = item.rcItem;
    r.left += Scale(2);
    SelectedObject selectedFont(item.hDC, FontOf(Control::Combo1));
    DrawTextW(item.hDC, text.c_str(), static_cast<int>(text.size()), &r,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  if ((item.itemState & ODS_FOCUS) && field) DrawFocusRect(item.hDC, &item.rcItem);
  return TRUE;
}

LRESULT Form1Window::OnCtlColorListBox(HDC dc) {
  SetTextColor(dc, ToColorRef(foreColors_[Index(Control::Combo1)]));
  SetBkColor(dc, ToColorRef(kSysDesktop));
  return reinterpret_cast<LRESULT>(desktopBrush_.get());
}

// The minutes field, enabled or locked: its background is the window colour (pure white on the
// usual schemes, so its inside stays see-through under the key); a locked field greys only its
// text. Without this a locked field asks for the button face, an opaque grey box.
LRESULT Form1Window::OnCtlColorText1(HDC dc) {
  const bool locked = !IsWindowEnabled(text1_);
  SetTextColor(dc, ToColorRef(locked ? SystemColor(COLOR_GRAYTEXT) : foreColors_[Index(Control::Text1)]));
  SetBkColor(dc, ToColorRef(kSysWindow));
  return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_WINDOW));
}

RECT Form1Window::ScaledRect(const layout::Rect& r) const {
  return {Scale(r.x), Scale(r.y), Scale(r.x + r.w), Scale(r.y + r.h)};
}

RECT Form1Window::LabelRect(Control label) const {
  const layout::ControlLayout* entry = layout::Find(label);
  RECT r = ScaledRect(entry->box);
  if (entry->autoSize) {
    // Grows to the right and downwards from its left and top edges.
    const SIZE size = MeasureText(ScreenDc().get(), FontOf(label), Widen(captions_[Index(label)]));
    r.right = r.left + size.cx;
    r.bottom = r.top + size.cy;
  }
  return r;
}

HFONT Form1Window::FontOf(Control c) const {
  if (c == Control::Text1 && text1Font_.font) return text1Font_.font.get();
  const layout::ControlLayout* entry = layout::Find(c);
  const layout::Font& font = entry ? entry->font : layout::kWindowFont;
  for (const FontSlot& slot : fonts_) {
    if (SameFont(slot.font, font)) return slot.chosen.font.get();
  }
  return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

// A system colour as the scheme has it, kept off the colour key (white text of a high-contrast
// scheme would be cut out), except the window colour: the field's see-through inside.
COLORREF Form1Window::ToColorRef(Color c) const {
  if (!IsSystemColor(c)) return static_cast<COLORREF>(c);
  const COLORREF system = GetSysColor(static_cast<int>(c & 0xFF));
  return c == kSysWindow ? system : static_cast<COLORREF>(layout::OffKey(system));
}

}  // namespace orvane::win32
