// The background picture, drawn for each usual display scale. One row a rendition: the scale in
// per cent, its resource id in Orvane.exe, the file the Qt front end shows and the one Orvane.exe
// carries (8-bit run-length), both under assets/. Both front ends, the resource script and the
// build files read this table.
#pragma once

#define ORVANE_RENDITIONS(X)                                                              \
  X(100, 101, "background.bmp", "win32/background-rle8.bmp")                              \
  X(125, 103, "win32/background@1.25x-rle8.bmp", "win32/background@1.25x-rle8.bmp")       \
  X(150, 104, "win32/background@1.5x-rle8.bmp", "win32/background@1.5x-rle8.bmp")         \
  X(175, 105, "win32/background@1.75x-rle8.bmp", "win32/background@1.75x-rle8.bmp")       \
  X(200, 102, "background@2x.bmp", "win32/background@2x-rle8.bmp")

#ifndef RC_INVOKED
#include <array>

namespace orvane::layout {

// The 1x picture, in pixels; the others are as much larger as their scale.
inline constexpr int kPictureWidth = 504;
inline constexpr int kPictureHeight = 360;

struct Rendition {
  int percent;
  int resource;
  const char* file;
  const char* win32File;
  constexpr double scale() const { return percent / 100.0; }
};

// From the smallest scale up.
inline constexpr std::array<Rendition, 5> kRenditions{{
#define ORVANE_RENDITION_ROW(percent, resource, file, win32File) {percent, resource, file, win32File},
    ORVANE_RENDITIONS(ORVANE_RENDITION_ROW)
#undef ORVANE_RENDITION_ROW
}};

}  // namespace orvane::layout
#endif
