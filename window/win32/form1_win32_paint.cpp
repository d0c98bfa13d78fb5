#include "window/win32/form1_win32.h"

#include <algorithm>

#include "window/win32/text_win32.h"

namespace orvane::win32 {
namespace {

// Picture sizes of the 1x and 2x renditions.
constexpr int kPictureWidth = 504;
constexpr int kPictureHeight = 360;

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
  fonts_ = std::move(fonts);
  for (const layout::ControlLayout& entry : layout::kControls) {
    if (HWND hwnd = ChildOf(entry.id)) {
      SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontOf(entry.id)), TRUE);
    }
  }
}

void Form1Window::BuildBackground() {
  // At 96 DPI the picture is copied pixel for pixel. Elsewhere the 2x rendition is scaled by
  // nearest neighbour: no blended colours, so the white key still cuts exactly.
  const int w = Scale(layout::kClientWidth);
  const int h = Scale(layout::kClientHeight);
  ScreenDc screen;
  UniqueBitmap target(CreateCompatibleBitmap(screen.get(), w, h));
  UniqueMemoryDc to(CreateCompatibleDC(screen.get()));
  UniqueMemoryDc from(CreateCompatibleDC(screen.get()));
  {
    SelectedObject selectedTo(to.get(), target.get());
    if (dpi_ == 96) {
      SelectedObject selectedFrom(from.get(), picture1x_.get());
      BitBlt(to.get(), 0, 0, w, h, from.get(), 0, 0, SRCCOPY);
    } else {
      SelectedObject selectedFrom(from.get(), picture2x_.get());
      SetStretchBltMode(to.get(), COLORONCOLOR);
      StretchBlt(to.get(), 0, 0, Scale(kPictureWidth), Scale(kPictureHeight), from.get(), 0, 0,
                 2 * kPictureWidth, 2 * kPictureHeight, SRCCOPY);
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
        UniqueBrush pen(CreateSolidBrush(ToColorRef(foreColors_[Index(entry.id)])));
        FillRect(canvas.get(), &line, pen.get());
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
  HBRUSH back = highlight ? GetSysColorBrush(COLOR_HIGHLIGHT) : desktopBrush_.get();
  FillRect(item.hDC, &item.rcItem, back);
  if (item.itemID != static_cast<UINT>(-1)) {
    const auto length = SendMessageW(combo1_, CB_GETLBTEXTLEN, item.itemID, 0);
    std::wstring text(static_cast<std::size_t>(std::max<LRESULT>(length, 0)) + 1, L'\0');
    SendMessageW(combo1_, CB_GETLBTEXT, item.itemID, reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(std::max<LRESULT>(length, 0)));
    SetBkMode(item.hDC, TRANSPARENT);
    SetTextColor(item.hDC, highlight ? GetSysColor(COLOR_HIGHLIGHTTEXT)
                                     : ToColorRef(foreColors_[Index(Control::Combo1)]));
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
  const layout::ControlLayout* entry = layout::Find(c);
  const layout::Font& font = entry ? entry->font : layout::kWindowFont;
  for (const FontSlot& slot : fonts_) {
    if (SameFont(slot.font, font)) return slot.chosen.font.get();
  }
  return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

COLORREF Form1Window::ToColorRef(Color c) const {
  return IsSystemColor(c) ? GetSysColor(static_cast<int>(c & 0xFF)) : static_cast<COLORREF>(c);
}

}  // namespace orvane::win32
