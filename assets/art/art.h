// Orvane's pictures, drawn by program: the skin's background picture and the icon. This is their
// editable source; scripts/art writes the files in assets/ from it, and the art test checks that
// the committed files are exactly what it draws.
#pragma once

#include <string>
#include <vector>

#include "assets/art/formats.h"
#include "assets/art/raster.h"

namespace orvane::art {

// The background picture's size at 96 dots per inch; `scale` 2 gives the high-DPI rendition.
inline constexpr int kBackgroundWidth = 504;
inline constexpr int kBackgroundHeight = 360;

// The named colours of the drawing.
inline constexpr Rgb kBoardGreen{8, 82, 41};
inline constexpr Rgb kPatchNavy{8, 25, 33};
inline constexpr Rgb kStripMagenta{115, 16, 99};

// The background's drawing in units of 96-dpi pixels.
Scene BackgroundScene();
// The background at `scale` pixels a unit, hard-edged against the white colour key.
Pixels RenderBackground(int scale);

// The icon at `size` pixels square, one of kIconSizes. Up to 32 pixels it is a pixel drawing in
// the sixteen colours of the .ico; larger sizes are the 32-pixel drawing scaled, edges smoothed.
Pixels RenderIcon(int size);
// The sizes a Linux desktop's icon theme asks for.
inline constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

struct GeneratedFile {
  std::string path;  // relative to assets/
  Bytes bytes;
};
// Every file the generator writes.
std::vector<GeneratedFile> GenerateAll();

}  // namespace orvane::art
