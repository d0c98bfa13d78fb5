// Writers for the shipped formats; each returns the file's bytes, the same on every run.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "raster.h"

namespace orvane::art {

using Bytes = std::vector<std::uint8_t>;

// 5-bit channel from 8 bits and back, rounding to nearest, so that the board green, patch navy
// and strip magenta (8,82,41), (8,25,33) and (115,16,99) survive the trip exactly.
constexpr std::uint16_t To5(std::uint8_t v) { return static_cast<std::uint16_t>((v * 31 + 127) / 255); }
constexpr std::uint8_t From5(unsigned v) { return static_cast<std::uint8_t>((v * 255 + 15) / 31); }

// Windows bitmap, 16 bits per pixel 5-5-5, BI_RGB, bottom-up; the file is padded with zero
// bytes to a multiple of four (504 x 360 gives 362,936 bytes, the size the front ends expect).
Bytes EncodeBmp555(const Image& image);

// 5-bit channel widened as the system draws a 16-bit bitmap: the top bits repeated below.
constexpr std::uint8_t Widen5(unsigned v) { return static_cast<std::uint8_t>(v << 3 | v >> 2); }

// The same pixels as EncodeBmp555, losslessly, as an 8-bit run-length bitmap (BI_RLE8) whose
// palette holds each 5-5-5 colour widened as Widen5 does; far smaller, for Orvane.exe's
// resources. Fails where the picture has more than 256 colours.
Bytes EncodeBmpRle8Of555(const Image& image);

// The 16-colour palette of the icon (the standard VGA colours).
std::span<const Rgb, 16> IconPalette();
// Icon file with one 4-bit image per entry and an AND mask (alpha 0 is transparent). Every opaque
// pixel must be one of IconPalette().
Bytes EncodeIco(std::span<const Image> images);

// PNG, 8-bit RGBA, no ancillary chunks; deflate with fixed Huffman codes and LZ77 written here.
Bytes EncodePng(const Image& image);

}  // namespace orvane::art
