// Owners for the window handles and GDI objects of the Win32 front end: each is a unique_ptr
// whose deleter releases the handle, so no code path releases one by hand.
#pragma once

#include <windows.h>

#include <memory>
#include <type_traits>

namespace orvane::win32 {

struct WindowDeleter {
  void operator()(HWND h) const { DestroyWindow(h); }
};
struct GdiObjectDeleter {
  void operator()(HGDIOBJ h) const { DeleteObject(h); }
};
struct DcDeleter {
  void operator()(HDC h) const { DeleteDC(h); }
};
struct ModuleDeleter {
  void operator()(HMODULE h) const { FreeLibrary(h); }
};

using UniqueWindow = std::unique_ptr<std::remove_pointer_t<HWND>, WindowDeleter>;
using UniqueFont = std::unique_ptr<std::remove_pointer_t<HFONT>, GdiObjectDeleter>;
using UniqueBrush = std::unique_ptr<std::remove_pointer_t<HBRUSH>, GdiObjectDeleter>;
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;
using UniquePen = std::unique_ptr<std::remove_pointer_t<HPEN>, GdiObjectDeleter>;
using UniqueMemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, DcDeleter>;
using UniqueModule = std::unique_ptr<std::remove_pointer_t<HMODULE>, ModuleDeleter>;

// A solid brush, kept until it is asked for in another colour.
class SolidBrushCache {
 public:
  HBRUSH Get(COLORREF color) {
    if (!brush_ || color != color_) {
      brush_.reset(CreateSolidBrush(color));
      color_ = color;
    }
    return brush_.get();
  }

 private:
  UniqueBrush brush_;
  COLORREF color_ = 0;
};

// Selects an object into a DC for the life of the scope and puts the previous one back.
class SelectedObject {
 public:
  SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~SelectedObject() { SelectObject(dc_, previous_); }
  SelectedObject(const SelectedObject&) = delete;
  SelectedObject& operator=(const SelectedObject&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

// A DC of the screen, released at the end of the scope.
class ScreenDc {
 public:
  explicit ScreenDc(HWND window = nullptr) : window_(window), dc_(GetDC(window)) {}
  ~ScreenDc() { ReleaseDC(window_, dc_); }
  ScreenDc(const ScreenDc&) = delete;
  ScreenDc& operator=(const ScreenDc&) = delete;
  HDC get() const { return dc_; }

 private:
  HWND window_;
  HDC dc_;
};

}  // namespace orvane::win32
