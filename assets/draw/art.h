// The skin's background picture and the icon, drawn from this source at any scale.
#pragma once

#include "raster.h"

namespace orvane::art {

// The skin: 504 x 360 design units at `scale` pixels per unit; pure white is the colour key.
Image DrawBackground(double scale);

// The icon at size x size pixels: a grey-framed screen with a black face, a green grid and a white
// wave line. With `vga` (16 or 32 pixels) it uses only the 16 colours of IconPalette(), for the
// .ico; up to 32 pixels the edges are hard, whole pixels; larger sizes have smooth edges.
Image DrawIcon(int size, bool vga);

}  // namespace orvane::art
