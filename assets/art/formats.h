// The file formats the pictures ship in, written byte for byte by our own code so that the output
// never depends on the version of an outside library.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "assets/art/raster.h"

namespace orvane::art {

using Bytes = std::vector<std::uint8_t>;

// A Windows bitmap, 16 bits a pixel (5-5-5, BI_RGB, no palette), bottom-up, opaque. The file ends
// with two zero bytes after the pixels, as the bitmaps of the classic paint programs did.
Bytes EncodeBmp555(const Pixels& pixels);

// The 5-bit value nearest to an 8-bit one, and the 8-bit value a reader makes of it again.
constexpr int To5(int v8) { return (v8 * 31 + 127) / 255; }
constexpr int From5(int v5) { return (v5 << 3) | (v5 >> 2); }

// The sixteen colours of the standard Windows palette, in its order.
inline constexpr std::array<Rgb, 16> kVgaPalette{{
    {0, 0, 0}, {128, 0, 0}, {0, 128, 0}, {128, 128, 0},
    {0, 0, 128}, {128, 0, 128}, {0, 128, 128}, {192, 192, 192},
    {128, 128, 128}, {255, 0, 0}, {0, 255, 0}, {255, 255, 0},
    {0, 0, 255}, {255, 0, 255}, {0, 255, 255}, {255, 255, 255},
}};

// An .ico of 4-bit images with their transparency masks. Each image must use only colours of
// kVgaPalette where it is covered; a pixel with no coverage is transparent.
Bytes EncodeIco(std::span<const Pixels* const> images);

// A PNG, 8-bit RGBA, alpha from the coverage; compressed by a small deflate of our own.
Bytes EncodePng(const Pixels& pixels);

}  // namespace orvane::art
