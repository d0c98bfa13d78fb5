// The committed pictures against what the skin and the desktop need, and the layout table:
// formats and sizes, the colour key, where the named colours lie, the controls on the board, no
// near-white fringe, and that assets/regenerate's generator reproduces every byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "form/layout.h"
#include "form/renditions.h"

namespace fs = std::filesystem;
namespace layout = orvane::layout;

namespace {

using Bytes = std::vector<std::uint8_t>;

const fs::path kAssets = ORVANE_ASSETS_DIR;

Bytes ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return Bytes(std::istreambuf_iterator<char>(in), {});
}
std::uint32_t Le16(const Bytes& b, std::size_t o) { return b.at(o) | b.at(o + 1) << 8; }
std::uint32_t Le32(const Bytes& b, std::size_t o) { return Le16(b, o) | Le16(b, o + 2) << 16; }

// A BITMAPINFOHEADER at offset o: the size, bottom-up (a positive height), one plane.
void ExpectDibHeader(const Bytes& f, std::size_t o, int w, int h, unsigned bits, unsigned compression) {
  EXPECT_EQ(Le32(f, o), 40u);
  EXPECT_EQ(Le32(f, o + 4), static_cast<std::uint32_t>(w));
  EXPECT_EQ(Le32(f, o + 8), static_cast<std::uint32_t>(h));
  EXPECT_EQ(Le16(f, o + 12), 1u);  // planes
  EXPECT_EQ(Le16(f, o + 14), bits);
  EXPECT_EQ(Le32(f, o + 16), compression);
}

// The headers of a Windows bitmap file of the given size.
void ExpectBmpHeaders(const Bytes& f, int w, int h, unsigned bits, unsigned compression) {
  ASSERT_GT(f.size(), 54u);
  EXPECT_EQ(f[0], 'B');
  EXPECT_EQ(f[1], 'M');
  EXPECT_EQ(Le32(f, 2), f.size());  // bfSize
  ExpectDibHeader(f, 14, w, h, bits, compression);
}

struct Rgb {
  int r, g, b;
  bool operator==(const Rgb&) const = default;
};
std::ostream& operator<<(std::ostream& os, const Rgb& c) {
  return os << "RGB(" << c.r << ", " << c.g << ", " << c.b << ")";
}
constexpr Rgb kWhite{255, 255, 255};
constexpr Rgb kBoardGreen{8, 82, 41};
constexpr Rgb kNavy{8, 25, 33};
constexpr Rgb kMagenta{115, 16, 99};

// A 5-bit channel widened to 8 bits, rounding to nearest: the three named colours come back exactly.
int Widen(unsigned v) { return static_cast<int>((v * 255 + 15) / 31); }

// A decoded 16-bit picture: 5-bit channels kept, and the top bit of each pixel.
struct Bmp {
  int width = 0, height = 0;
  std::vector<std::uint16_t> px;  // top-down
  std::uint16_t raw(int x, int y) const { return px[static_cast<std::size_t>(y) * width + x]; }
  Rgb at(int x, int y) const {
    const std::uint16_t v = raw(x, y);
    return {Widen(v >> 10 & 31), Widen(v >> 5 & 31), Widen(v & 31)};
  }
  bool white(int x, int y) const { return raw(x, y) == 0x7FFF; }
};

Bmp DecodeBmp555(const Bytes& f) {
  Bmp b;
  b.width = static_cast<int>(Le32(f, 18));
  b.height = static_cast<int>(Le32(f, 22));
  const std::uint32_t off = Le32(f, 10), stride = (static_cast<std::uint32_t>(b.width) * 2 + 3) & ~3u;
  b.px.resize(static_cast<std::size_t>(b.width) * b.height);
  for (int y = 0; y < b.height; ++y)
    for (int x = 0; x < b.width; ++x)
      b.px[static_cast<std::size_t>(y) * b.width + x] =
          static_cast<std::uint16_t>(Le16(f, off + (b.height - 1 - y) * stride + 2 * static_cast<std::uint32_t>(x)));
  return b;
}

// An 8-bit run-length picture decoded back to 5-5-5: its palette holds widened 5-bit channels
// (the top bits repeated below); only encoded runs, absolute runs and ends of line occur, then
// the end of bitmap. Pixels no run reaches stay 0xFFFF.
Bmp DecodeRle8(const Bytes& f, int width, int height) {
  Bmp out;
  out.width = width, out.height = height;
  out.px.assign(static_cast<std::size_t>(width) * height, 0xFFFF);
  const std::uint32_t colours = Le32(f, 46), offset = Le32(f, 10);
  EXPECT_LE(colours, 256u);
  EXPECT_EQ(offset, 54 + 4 * colours);
  std::vector<std::uint16_t> palette;
  for (std::uint32_t i = 0; i < colours; ++i) {
    const std::size_t o = 54 + 4 * i;
    for (std::size_t k = 0; k < 3; ++k) {
      const unsigned v8 = f.at(o + k);
      EXPECT_EQ(v8, (v8 >> 3) << 3 | (v8 >> 5)) << "channel " << k << " of colour " << i;
    }
    palette.push_back(static_cast<std::uint16_t>(f.at(o + 2) >> 3 << 10 | f.at(o + 1) >> 3 << 5 | f.at(o) >> 3));
  }
  int x = 0, y = height - 1;
  const auto put = [&](std::uint16_t v) {
    if (x < width && y >= 0) out.px[static_cast<std::size_t>(y) * width + x] = v;
    ++x;
  };
  bool ended = false;
  for (std::size_t o = offset; o + 1 < f.size() && !ended;) {
    const unsigned n = f[o], v = f[o + 1];
    o += 2;
    if (n > 0) {
      for (unsigned k = 0; k < n; ++k) put(palette.at(v));
    } else if (v == 0) {
      x = 0, --y;
    } else if (v == 1) {
      ended = true;
    } else {
      EXPECT_GE(v, 3u) << "no delta escapes";
      for (unsigned k = 0; k < v; ++k) put(palette.at(f.at(o + k)));
      o += (v + 1) & ~1u;
    }
  }
  EXPECT_TRUE(ended) << "end of bitmap";
  return out;
}

// The two renditions: the file, its scale, its expected size.
struct Rendition {
  const char* file;
  int scale;
  std::uint32_t bytes;
};
void PrintTo(const Rendition& r, std::ostream* os) { *os << r.file; }
constexpr std::array<Rendition, 2> kRenditions{{{"background.bmp", 1, 362936}, {"background@2x.bmp", 2, 1451576}}};

const Bmp& Background(int scale) {
  static const std::array<Bmp, 2> pics{DecodeBmp555(ReadFile(kAssets / "background.bmp")),
                                        DecodeBmp555(ReadFile(kAssets / "background@2x.bmp"))};
  return pics[static_cast<std::size_t>(scale - 1)];
}

// Near-white: every channel at 28 of 31 or more. Pure white is the colour key, not near-white.
bool NearWhite(std::uint16_t v) {
  return v != 0x7FFF && (v >> 10 & 31) >= 28 && (v >> 5 & 31) >= 28 && (v & 31) >= 28;
}

// The pixels a test picks in part of a picture: how many, and their bounding box (picture pixels).
struct Extent {
  int x0 = 1 << 30, x1 = -1, y0 = 1 << 30, y1 = -1, count = 0;
};

class BackgroundTest : public ::testing::TestWithParam<Rendition> {
 protected:
  const Bmp& pic() const { return Background(GetParam().scale); }
  int s() const { return GetParam().scale; }
  // The pixels within the design rectangle [x0, x1) x [y0, y1) for which pick(x, y) holds.
  template <typename Pick>
  Extent Where(int x0, int y0, int x1, int y1, Pick pick) const {
    Extent e;
    for (int y = y0 * s(); y < y1 * s(); ++y)
      for (int x = x0 * s(); x < x1 * s(); ++x)
        if (pick(x, y)) {
          e.x0 = std::min(e.x0, x), e.x1 = std::max(e.x1, x), e.y0 = std::min(e.y0, y), e.y1 = std::max(e.y1, y);
          ++e.count;
        }
    return e;
  }
  auto Is(Rgb colour) const {
    return [this, colour](int x, int y) { return pic().at(x, y) == colour; };
  }
};

// The unused top bit of every pixel is clear: RunLengthTest finds the same pixels in the
// run-length twins, whose palette has no such bit.
TEST_P(BackgroundTest, IsA16BitRgb555WindowsBitmapOfTheBoundSize) {
  const Bytes f = ReadFile(kAssets / GetParam().file);
  ASSERT_EQ(f.size(), GetParam().bytes);
  // The 1x picture's size, as the front ends take it, at the rendition's scale; BI_RGB: 5-5-5, no
  // masks, uncompressed.
  ExpectBmpHeaders(f, layout::kPictureWidth * s(), layout::kPictureHeight * s(), 16, 0);
  EXPECT_EQ(Le32(f, 10), 54u);  // pixels right after the headers
  EXPECT_EQ(Le32(f, 46), 0u);   // no palette
}

TEST_P(BackgroundTest, TwoTaperingBlackStringsHangFromNearTheTop) {
  // Opaque runs of one row, left of the navy patch.
  auto runs = [&](int y) {
    std::vector<std::pair<int, int>> out;  // first x, width
    const Bmp& p = pic();
    for (int x = 69 * s(); x < 250 * s(); ++x) {
      if (p.white(x, y * s())) continue;
      int e = x;
      while (e < 250 * s() && !p.white(e, y * s())) ++e;
      out.push_back({x, e - x});
      x = e;
    }
    return out;
  };
  for (int y : {12, 30, 50, 70, 90, 99}) {
    const auto r = runs(y);
    ASSERT_EQ(r.size(), 2u) << "row " << y;
    EXPECT_NEAR((r[0].first + r[0].second / 2.0) / s(), 137, 5) << "row " << y;
    EXPECT_NEAR((r[1].first + r[1].second / 2.0) / s(), 237, 5) << "row " << y;
    for (const auto& [x0, w] : r) {
      EXPECT_LE(w, 4 * s()) << "row " << y;
      for (int x = x0; x < x0 + w; ++x) EXPECT_EQ(pic().at(x, y * s()), (Rgb{0, 0, 0})) << x << "," << y * s();
    }
  }
  for (int i : {0, 1}) EXPECT_LT(runs(12)[static_cast<std::size_t>(i)].second, runs(99)[static_cast<std::size_t>(i)].second);
  // Near the top edge: something is drawn in the first rows above each string.
  int top = 0;
  while (top < 30 && runs(top).size() < 2) ++top;
  EXPECT_LE(top, 6);
}

// The board's extent: where its green lies, and the black outline around it.
TEST_P(BackgroundTest, BoardIsRoundedDarkGreenWithABlackOutline) {
  const Extent green = Where(69, 0, 306, 256, Is(kBoardGreen));
  for (auto [edge, design] : {std::pair{green.x0, 73}, {green.x1, 295}, {green.y0, 104}, {green.y1, 225}})
    EXPECT_NEAR(static_cast<double>(edge) / s(), design, 4);
  EXPECT_GT(green.count, 150 * 100 * s() * s());  // most of the board is the named green
  // Black outline on the left and top edges: the first opaque pixel from outside, walking in.
  const auto first = [&](int x, int y, int dx, int dy) {
    while (pic().white(x, y)) x += dx, y += dy;
    return pic().at(x, y);
  };
  for (int y : {140, 180}) EXPECT_EQ(first(69 * s(), y * s(), 1, 0), (Rgb{0, 0, 0})) << "left edge, row " << y;
  for (int x : {110, 180}) EXPECT_EQ(first(x * s(), 60 * s(), 0, 1), (Rgb{0, 0, 0})) << "top edge, column " << x;
  // Rounded: the very corner of the bounding box is white.
  for (int y : {101, 226}) EXPECT_TRUE(pic().white(72 * s(), y * s())) << "corner, row " << y;
}

// The notch: going down the lower right edge, the board's right end steps in and out again.
TEST_P(BackgroundTest, BoardHasANotchInItsLowerRightEdge) {
  bool outAgain = false;
  int leftmost = 300 * s();  // the furthest in the right end has stepped so far
  for (int y = 190 * s(); y < 228 * s(); ++y) {
    int x = 300 * s();
    while (x > 250 * s() && (pic().white(x, y) || pic().at(x, y) == kMagenta)) --x;
    outAgain |= x > leftmost + 1 * s();
    leftmost = std::min(leftmost, x);
  }
  EXPECT_TRUE(outAgain);
}

TEST_P(BackgroundTest, NavyPatchWithALightRimOverTheUpperRightCorner) {
  const auto rim = [&](int x, int y) {
    const Rgb c = pic().at(x, y);
    return std::min({c.r, c.g, c.b}) >= 140 && !pic().white(x, y);
  };
  EXPECT_GT(Where(240, 80, 306, 170, Is(kNavy)).count, 400 * s() * s());
  EXPECT_GT(Where(240, 80, 306, 170, rim).count, 60 * s());
  EXPECT_EQ(Where(240, 80, 306, 170, [&](int x, int y) { return !pic().white(x, y); }).x1 / s(), 305);
  // It covers the board's upper right corner.
  EXPECT_EQ(pic().at(300 * s(), 100 * s()), kNavy);
}

TEST_P(BackgroundTest, TiltedMagentaStripWithDarkTextUnderTheBoard) {
  const Extent strip = Where(69, 200, 306, 256, Is(kMagenta));
  EXPECT_NEAR(static_cast<double>(strip.x0) / s(), 93, 4);
  EXPECT_NEAR(static_cast<double>(strip.x1) / s(), 251, 4);
  EXPECT_GE(strip.y0 / s(), 218);  // its top edge hides behind the board
  EXPECT_NEAR(static_cast<double>(strip.y1) / s(), 248, 3);
  EXPECT_GT(strip.count, 1500 * s() * s());
  // Tilted: the lowest pixel drawn below the board, at x 100 and at x 245.
  const auto lowest = [&](int column) {
    return Where(column, 229, column + 1, 256, [&](int x, int y) { return x == column * s() && !pic().white(x, y); }).y1;
  };
  EXPECT_GE(lowest(100) - lowest(245), 3 * s());
  // One line of small dark text, inside the visible part of the strip.
  const Extent text = Where(96, 228, 249, 250, [&](int x, int y) {
    const Rgb c = pic().at(x, y);
    return !pic().white(x, y) && std::max({c.r, c.g, c.b}) <= 60;
  });
  EXPECT_GT(text.count, 100 * s() * s());
  EXPECT_LE((text.y1 - text.y0) / s(), 14);  // one small line
  EXPECT_GT((text.x1 - text.x0) / s(), 60);
}

// Every control but Close (Label7) on the board: its centre on the board's green, its whole box
// opaque (Label4, empty, may reach above the board's top edge). Close lies wholly on pure white.
TEST_P(BackgroundTest, EveryControlButCloseLiesOnTheBoardCloseOnWhite) {
  std::array<int, 2> checked{};  // on the board, on white
  for (const layout::ControlLayout& c : layout::kControls) {
    const bool close = c.id == orvane::Control::Label7;
    const std::string name(orvane::ControlName(c.id));
    const layout::Rect& b = c.box;
    const int w = std::max(b.w, 1), h = std::max(b.h, 1);  // Line1 is one pixel high
    if (!close) {
      EXPECT_EQ(pic().at((b.x + w / 2) * s(), (b.y + h / 2) * s()), kBoardGreen) << name << "'s centre";
    }
    for (int y = b.y * s(); y < (b.y + h) * s(); ++y) {
      if (c.id == orvane::Control::Label4 && y < 104 * s()) continue;
      for (int x = b.x * s(); x < (b.x + w) * s(); ++x) {
        ASSERT_EQ(pic().white(x, y), close) << name << " box pixel " << x << "," << y;
        ASSERT_NE(pic().at(x, y), kMagenta) << name << " box pixel " << x << "," << y;
      }
    }
    ++checked[close];
  }
  EXPECT_EQ(checked, (std::array<int, 2>{11, 1}));
  // And the drawing stays inside the client area.
  EXPECT_LE(306, layout::kClientWidth);
  EXPECT_LE(256, layout::kClientHeight);
}

INSTANTIATE_TEST_SUITE_P(Renditions, BackgroundTest, ::testing::ValuesIn(kRenditions),
                         [](const auto& info) { return "x" + std::to_string(info.param.scale); });

// Orvane.exe carries a run-length bitmap for every scale from 1x to 2x: the size that scale gives,
// every pixel reached by a run, the 1x drawing's shape at that scale, and clean keying: pure white
// around the drawing, no near-white pixel, hard edges (a pixel beside the key is a dark or
// saturated ink, never a blend toward white). At 1x and 2x it holds exactly the pixels of the
// 16-bit file, so those keys cleanly as well.
class RunLengthTest : public ::testing::TestWithParam<layout::Rendition> {};

TEST_P(RunLengthTest, IsTheOneXDrawingAtItsOwnScaleKeyedCleanly) {
  const double s = GetParam().scale();
  const Bytes f = ReadFile(kAssets / GetParam().win32File);
  const int w = static_cast<int>(std::lround(layout::kPictureWidth * s)), h = static_cast<int>(std::lround(layout::kPictureHeight * s));
  ExpectBmpHeaders(f, w, h, 8, 1);  // BI_RLE8
  ASSERT_FALSE(HasFatalFailure());
  const Bmp p = DecodeRle8(f, w, h);
  for (const Rendition& r : kRenditions) {
    if (r.scale != s) continue;
    EXPECT_LT(f.size(), r.bytes / 10) << "small enough to be worth it";
    EXPECT_TRUE(p.px == Background(r.scale).px) << "the runs hold exactly the 16-bit picture's pixels";
  }
  const Bmp& one = Background(1);
  int opaque = 0, differ = 0, dark = 0;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      ASSERT_NE(p.raw(x, y), 0xFFFF) << "no run reaches " << x << "," << y;
      ASSERT_FALSE(NearWhite(p.raw(x, y))) << "pixel " << x << "," << y << " is " << p.at(x, y);
      if (x >= 306 * s || y >= 256 * s || x < 69 * s) {
        ASSERT_TRUE(p.white(x, y)) << x << "," << y;
      }
      // Away from the 1x picture's own edges, the two agree on what is opaque.
      const int ox = static_cast<int>(x / s), oy = static_cast<int>(y / s);
      bool edge = false;
      for (int j = -1; j <= 1; ++j)
        for (int i = -1; i <= 1; ++i)
          edge |= ox + i >= 0 && oy + j >= 0 && ox + i < one.width && oy + j < one.height &&
                  one.white(ox + i, oy + j) != one.white(ox, oy);
      opaque += !p.white(x, y);
      differ += !edge && p.white(x, y) != one.white(ox, oy);
      if (p.white(x, y) || x == 0 || y == 0 || x + 1 == w || y + 1 == h) continue;
      if (p.white(x - 1, y) || p.white(x + 1, y) || p.white(x, y - 1) || p.white(x, y + 1)) {
        const Rgb c = p.at(x, y);
        ASSERT_LE(std::max({c.r, c.g, c.b}), 132) << "edge pixel " << x << "," << y << " is " << c;
        ++dark;
      }
    }
  EXPECT_GT(opaque, static_cast<int>(25000 * s * s));
  // The 2x picture is drawn on its own, so a few of its pixels may fall apart from the 1x shape;
  // the scales between agree exactly.
  EXPECT_LE(differ, s == 2 ? opaque / 200 : 0);
  EXPECT_GT(dark, static_cast<int>(500 * s));
}

INSTANTIATE_TEST_SUITE_P(Renditions, RunLengthTest, ::testing::ValuesIn(layout::kRenditions),
                         [](const auto& info) { return "x" + std::to_string(info.param.percent); });

// ---- the icon ----

struct IcoImage {
  int size;
  std::vector<Rgb> colour;        // per pixel, top-down
  std::vector<bool> transparent;  // AND mask
};

// Decodes the icon, checking on the way that it is an icon whose images are 16-colour, 4-bit
// DIBs with their masks, stored one after the other up to the end of the file.
std::vector<IcoImage> DecodeIco(const Bytes& f) {
  std::vector<IcoImage> out;
  EXPECT_EQ(Le16(f, 0), 0u);
  EXPECT_EQ(Le16(f, 2), 1u);  // icon
  const int count = static_cast<int>(Le16(f, 4));
  std::size_t end = 6 + 16 * static_cast<std::size_t>(count);
  for (int i = 0; i < count; ++i) {
    const std::size_t e = 6 + 16 * static_cast<std::size_t>(i);
    IcoImage im;
    im.size = f.at(e);
    EXPECT_EQ(f.at(e + 1), im.size);
    EXPECT_EQ(f.at(e + 2), 16);      // colours
    EXPECT_EQ(Le16(f, e + 4), 1u);  // planes
    EXPECT_EQ(Le16(f, e + 6), 4u);  // bits per pixel
    const std::size_t off = Le32(f, e + 12);
    EXPECT_EQ(off, end);
    ExpectDibHeader(f, off, im.size, 2 * im.size, 4, 0);  // image and mask, BI_RGB
    const std::size_t pal = off + 40;
    const auto palette = [&](std::size_t k) -> Rgb { return {f.at(pal + 4 * k + 2), f.at(pal + 4 * k + 1), f.at(pal + 4 * k)}; };
    const std::size_t xorStart = pal + 64, xorStride = ((static_cast<std::size_t>(im.size) * 4 + 31) / 32) * 4;
    const std::size_t andStart = xorStart + xorStride * im.size, andStride = ((static_cast<std::size_t>(im.size) + 31) / 32) * 4;
    for (int y = 0; y < im.size; ++y)
      for (int x = 0; x < im.size; ++x) {
        const std::size_t row = static_cast<std::size_t>(im.size - 1 - y);
        const std::uint8_t byte = f.at(xorStart + row * xorStride + static_cast<std::size_t>(x / 2));
        im.colour.push_back(palette(x % 2 == 0 ? byte >> 4 : byte & 15));
        im.transparent.push_back((f.at(andStart + row * andStride + static_cast<std::size_t>(x / 8)) >> (7 - x % 8) & 1) != 0);
      }
    end = andStart + andStride * im.size;
    EXPECT_EQ(Le32(f, e + 8), end - off) << "bytes of image " << i;
    out.push_back(std::move(im));
  }
  EXPECT_EQ(end, f.size());
  return out;
}

// Two images, 32 and 16 pixels, each a grey-framed screen with a black face, a green grid and a
// white wave line, transparent around.
TEST(Icon, ShowsAGreyFramedScreenWithBlackFaceGreenGridAndWhiteWave) {
  const std::vector<IcoImage> images = DecodeIco(ReadFile(kAssets / "orvane.ico"));
  ASSERT_EQ(images.size(), 2u);
  EXPECT_EQ(images[0].size, 32);
  EXPECT_EQ(images[1].size, 16);
  for (const IcoImage& im : images) {
    SCOPED_TRACE("size " + std::to_string(im.size));
    const int n = im.size;
    auto colour = [&](int x, int y) { return im.colour[static_cast<std::size_t>(y) * n + x]; };
    auto clear = [&](int x, int y) { return im.transparent[static_cast<std::size_t>(y) * n + x]; };
    for (int corner = 0; corner < 4; ++corner) EXPECT_TRUE(clear(corner % 2 * (n - 1), corner / 2 * (n - 1))) << corner;
    int opaque = 0, grey = 0, white = 0, green = 0, black = 0;
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x) {
        const Rgb c = colour(x, y);
        if (clear(x, y)) {
          EXPECT_EQ(c, (Rgb{0, 0, 0})) << "transparent pixels are black in the image";
          continue;
        }
        ++opaque;
        grey += (c == Rgb{192, 192, 192} || c == Rgb{128, 128, 128});
        white += c == kWhite;
        green += c.g >= 128 && c.r == 0 && c.b == 0;
        black += c == Rgb{0, 0, 0};
      }
    EXPECT_GT(opaque, n * n / 2);
    EXPECT_GT(grey, n * n / 8);
    EXPECT_GT(black, n * n / 10);
    EXPECT_GT(green, n);
    EXPECT_GT(white, n / 2);
    // The middle of the picture is the screen: the face is black or grid or wave, never the frame.
    const Rgb mid = colour(n / 2, n * 13 / 32);
    EXPECT_TRUE((mid == Rgb{0, 0, 0} || mid == kWhite || mid == Rgb{0, 128, 0})) << mid;
  }
}

// The PNGs a Linux desktop wants (hicolor sizes): the signature, then the header chunk: the size,
// 8-bit RGBA. That they decode whole is seen where they are installed: the Qt suite's
// installs_desktop_integration reads each one back.
TEST(IconPng, AtEveryHicolorSize) {
  for (int size : {16, 22, 24, 32, 48, 64, 128, 256}) {
    SCOPED_TRACE("size " + std::to_string(size));
    const Bytes f = ReadFile(kAssets / "png" / ("orvane-" + std::to_string(size) + ".png"));
    ASSERT_GT(f.size(), 8u + 25 + 12);
    const auto hi = static_cast<std::uint8_t>(size >> 8), lo = static_cast<std::uint8_t>(size & 255);
    const Bytes head{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n', 0, 0, 0, 13, 'I', 'H', 'D', 'R',
                     0, 0, hi, lo, 0, 0, hi, lo, 8, 6};  // width, height, 8-bit RGBA
    EXPECT_EQ(Bytes(f.begin(), f.begin() + static_cast<long>(head.size())), head);
  }
}

// ---- the generator ----

TEST(Generator, ReproducesEveryCommittedFileBitForBit) {
  const fs::path out = fs::temp_directory_path() / ("orvane-draw-test-" + std::to_string(::getpid()));
  fs::remove_all(out);
  const std::string cmd = std::string("\"") + ORVANE_DRAW_EXE + "\" \"" + out.string() + "\"";
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;  // NOLINT(concurrency-mt-unsafe): no other thread runs
  std::vector<fs::path> made;
  for (const auto& e : fs::recursive_directory_iterator(out))
    if (e.is_regular_file()) made.push_back(fs::relative(e.path(), out));
  EXPECT_EQ(made.size(), 18u);
  for (const fs::path& rel : made) EXPECT_TRUE(ReadFile(out / rel) == ReadFile(kAssets / rel)) << rel << " differs from the committed file";
  fs::remove_all(out);
}

}  // namespace
