// The committed pictures, read back with decoders of their own (not the generator's code): sizes
// and formats, the white colour key around the drawing, the named colours where the drawing puts
// them, the controls on the board and Close on white, no near-white fringe, the icon's images,
// and that the generator still writes exactly the committed bytes.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "assets/art/art.h"
#include "window/layout.h"

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<std::uint8_t>;

const fs::path kAssets = fs::path(ORVANE_SOURCE_DIR) / "assets";

Bytes ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  return {std::istreambuf_iterator<char>(in), {}};
}

std::uint32_t Le(const Bytes& b, std::size_t at, int bytes) {
  std::uint32_t v = 0;
  for (int k = bytes - 1; k >= 0; --k) v = (v << 8) | b.at(at + k);
  return v;
}
std::uint32_t Be32(const Bytes& b, std::size_t at) {
  return (std::uint32_t{b.at(at)} << 24) | (b.at(at + 1) << 16) | (b.at(at + 2) << 8) | b.at(at + 3);
}

// A colour as the 5-bit channels of the bitmap.
struct C5 {
  int r, g, b;
  friend bool operator==(const C5&, const C5&) = default;
};
C5 Of(int r8, int g8, int b8) { return {r8 >> 3, g8 >> 3, b8 >> 3}; }
const C5 kWhite5{31, 31, 31};
const C5 kBlack5{0, 0, 0};
const C5 kGreen5 = Of(8, 82, 41);
const C5 kNavy5 = Of(8, 25, 33);
const C5 kMagenta5 = Of(115, 16, 99);

struct Bitmap {
  int width = 0, height = 0;
  std::vector<C5> px;
  C5 at(int x, int y) const { return px.at(static_cast<std::size_t>(y) * width + x); }
  bool white(int x, int y) const { return at(x, y) == kWhite5; }
};

// Reads a 16-bit 5-5-5 BI_RGB bitmap, checking every header field that binds.
Bitmap ReadBmp555(const Bytes& f, int width, int height) {
  Bitmap bmp;
  EXPECT_EQ(f.at(0), 'B');
  EXPECT_EQ(f.at(1), 'M');
  EXPECT_EQ(Le(f, 2, 4), f.size()) << "bfSize";
  const std::uint32_t offBits = Le(f, 10, 4);
  EXPECT_EQ(Le(f, 14, 4), 40u) << "BITMAPINFOHEADER";
  EXPECT_EQ(static_cast<int>(Le(f, 18, 4)), width);
  EXPECT_EQ(static_cast<int>(Le(f, 22, 4)), height) << "bottom-up, this tall";
  EXPECT_EQ(Le(f, 26, 2), 1u) << "planes";
  EXPECT_EQ(Le(f, 28, 2), 16u) << "bits a pixel";
  EXPECT_EQ(Le(f, 30, 4), 0u) << "BI_RGB: 5-5-5, uncompressed";
  EXPECT_EQ(Le(f, 46, 4), 0u) << "no palette";
  EXPECT_EQ(offBits, 54u) << "pixels right after the header";
  const std::size_t stride = (static_cast<std::size_t>(width) * 2 + 3) & ~std::size_t{3};
  const bool readable = f.size() >= offBits + stride * height && Le(f, 28, 2) == 16;
  EXPECT_TRUE(readable) << "too short for its pixels";
  if (!readable) return bmp;
  bmp.width = width, bmp.height = height;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t v = Le(f, offBits + (height - 1 - y) * stride + x * 2, 2);
      EXPECT_EQ(v & 0x8000, 0u);
      bmp.px.push_back({static_cast<int>((v >> 10) & 31), static_cast<int>((v >> 5) & 31),
                        static_cast<int>(v & 31)});
    }
  }
  return bmp;
}

struct Rect {
  int x0, y0, x1, y1;  // inclusive
};

// The bounding box of the pixels of one colour inside `area`; x0 > x1 where there are none.
Rect Extent(const Bitmap& b, C5 colour, Rect area) {
  Rect r{area.x1 + 1, area.y1 + 1, area.x0 - 1, area.y0 - 1};
  for (int y = area.y0; y <= area.y1; ++y)
    for (int x = area.x0; x <= area.x1; ++x)
      if (b.at(x, y) == colour)
        r = {std::min(r.x0, x), std::min(r.y0, y), std::max(r.x1, x), std::max(r.y1, y)};
  return r;
}

bool Any(const Bitmap& b, C5 colour, Rect area) {
  const Rect r = Extent(b, colour, area);
  return r.x0 <= r.x1;
}

class Background : public ::testing::TestWithParam<int> {
 protected:
  void SetUp() override {
    scale_ = GetParam();
    const Bytes file = ReadFile(kAssets / (scale_ == 1 ? "background.bmp" : "background@2x.bmp"));
    size_ = file.size();
    bmp_ = ReadBmp555(file, 504 * scale_, 360 * scale_);
    ASSERT_FALSE(HasFailure());
  }
  // From 96-dpi pixels to this rendition's: a pixel's first row or column, or its last.
  int S(int v) const { return v * scale_; }
  int SEnd(int v) const { return v * scale_ + scale_ - 1; }
  Rect Whole() const { return {0, 0, bmp_.width - 1, bmp_.height - 1}; }

  int scale_ = 1;
  std::size_t size_ = 0;
  Bitmap bmp_;
};

TEST_P(Background, FileSizeIsTheBoundOne) {
  EXPECT_EQ(size_, 14u + 40u + 504u * 360u * 2u * scale_ * scale_ + 2u);
  if (scale_ == 1) {
    EXPECT_EQ(size_, 362936u);
  }
}

TEST_P(Background, PureWhiteOutsideTheDrawingRectangle) {
  int stray = 0;
  for (int y = 0; y < bmp_.height; ++y)
    for (int x = 0; x < bmp_.width; ++x)
      if ((x < S(69) || x > SEnd(305) || y > SEnd(255)) && !bmp_.white(x, y)) ++stray;
  EXPECT_EQ(stray, 0);
  // The drawing reaches the rectangle's right edge with the patch.
  int right = 0;
  for (int y = 0; y < bmp_.height; ++y)
    for (int x = 0; x < bmp_.width; ++x)
      if (!bmp_.white(x, y)) right = std::max(right, x);
  EXPECT_GE(right, S(304));
}

TEST_P(Background, BoardIsDarkGreenWithABlackOutlineAndANotch) {
  // The green face lies inside the outline and a narrow bevel.
  const Rect green = Extent(bmp_, kGreen5, Whole());
  EXPECT_NEAR(green.x0, S(73), S(6));
  EXPECT_NEAR(green.x1, S(295), S(6));
  EXPECT_NEAR(green.y0, S(104), S(6));
  EXPECT_NEAR(green.y1, S(225), S(6));
  // Across the middle, the first and last drawn pixels of a row are the black outline.
  for (int y = S(120); y <= S(200); ++y) {
    int left = 0;
    while (bmp_.white(left, y)) ++left;
    EXPECT_EQ(bmp_.at(left, y), kBlack5) << "row " << y;
    EXPECT_NEAR(left, S(73), S(1));
  }
  // Along the top and the bottom edge, black between the green face and what lies beyond.
  for (int x = S(100); x <= S(220); ++x) {
    int top = S(90), bottom = S(235);
    while (!(bmp_.at(x, top) == kGreen5)) ++top;
    while (!(bmp_.at(x, bottom) == kGreen5)) --bottom;
    if (std::abs(x - S(137)) > S(4)) {
      EXPECT_TRUE(bmp_.white(x, S(98))) << "column " << x;
    }
    EXPECT_NEAR(top, S(104), S(3));
    EXPECT_NEAR(bottom, S(221), S(3));
    EXPECT_TRUE(Any(bmp_, kBlack5, {x, S(98), x, top})) << "column " << x;
    EXPECT_TRUE(Any(bmp_, kBlack5, {x, bottom, x, S(226)})) << "column " << x;
  }
  // The notch: white inside the board's lower right corner, board to its left and above it.
  EXPECT_TRUE(bmp_.white(S(290), S(218)));
  EXPECT_FALSE(bmp_.white(S(290), S(195)));
  EXPECT_FALSE(bmp_.white(S(265), S(218)));
}

TEST_P(Background, TwoTaperingBlackStringsHangToTheBoard) {
  for (const int centre : {137, 237}) {
    std::vector<int> widths;
    for (int y = S(8); y <= S(97); ++y) {
      const Rect black = Extent(bmp_, kBlack5, {S(centre - 6), y, SEnd(centre + 6), y});
      ASSERT_LE(black.x0, black.x1) << "no string at row " << y;
      EXPECT_NEAR((black.x0 + black.x1) / 2.0, S(centre) + (scale_ - 1) / 2.0, S(2));
      for (int x = black.x0; x <= black.x1; ++x) EXPECT_EQ(bmp_.at(x, y), kBlack5);
      widths.push_back(black.x1 - black.x0 + 1);
    }
    EXPECT_TRUE(std::is_sorted(widths.begin(), widths.end()));
    EXPECT_LT(widths.front(), widths.back());
    EXPECT_LE(widths.back(), S(3));
  }
  // Nothing else above the board but the strings and their nails: white between them.
  for (int y = 0; y < S(85); ++y)
    for (int x = S(69); x <= SEnd(305); ++x)
      if (std::abs(x - S(137)) > S(4) && std::abs(x - S(237)) > S(4)) {
        EXPECT_TRUE(bmp_.white(x, y)) << x << "," << y;
      }
}

TEST_P(Background, NavyPatchWithALightRimCoversTheUpperRightCorner) {
  const Rect navy = Extent(bmp_, kNavy5, Whole());
  EXPECT_GE(navy.x0, S(248));
  EXPECT_GE(navy.x1, S(300));
  EXPECT_LT(navy.y0, S(100)) << "above the board's top edge";
  EXPECT_GT(navy.y1, S(120));
  EXPECT_EQ(bmp_.at(S(294), S(102)), kNavy5) << "the board's corner is covered";
  // Its rim: between its rightmost navy pixel on a middle row and the white, a light colour.
  const int y = (navy.y0 + navy.y1) / 2;
  int x = navy.x1;
  while (!(bmp_.at(x, y) == kNavy5)) --x;
  int lightest = 0;
  for (++x; !bmp_.white(x, y); ++x) {
    const C5 c = bmp_.at(x, y);
    lightest = std::max(lightest, c.r + c.g + c.b);
  }
  EXPECT_GT(lightest, 55);
}

TEST_P(Background, TiltedMagentaStripWithDarkTextUnderTheBoard) {
  const Rect magenta = Extent(bmp_, kMagenta5, Whole());
  EXPECT_NEAR(magenta.x0, S(93), S(2));
  EXPECT_NEAR(magenta.x1, S(251), S(2));
  EXPECT_GE(magenta.y0, S(218));
  EXPECT_LE(magenta.y1, SEnd(248));
  EXPECT_GE(magenta.y1, S(246));
  // Tilted: its lower edge is higher at the right end than at the left.
  const auto lowest = [&](int x) {
    int y = magenta.y1;
    while (!(bmp_.at(x, y) == kMagenta5)) --y;
    return y;
  };
  EXPECT_GT(lowest(S(110)), lowest(S(235)));
  // The text: dark pixels below the board, inside the strip.
  int ink = 0;
  for (int yy = S(228); yy <= magenta.y1; ++yy)
    for (int xx = magenta.x0; xx <= magenta.x1; ++xx) {
      const C5 c = bmp_.at(xx, yy);
      if (!(c == kWhite5) && std::max({c.r, c.g, c.b}) <= 8) ++ink;
    }
  EXPECT_GT(ink, 60 * scale_ * scale_);
}

TEST_P(Background, ControlsLieOnTheBoardAndCloseOnWhite) {
  using orvane::Control;
  for (const auto& c : orvane::layout::kControls) {
    const int x0 = S(c.box.x), y0 = S(c.box.y);
    const int x1 = SEnd(c.box.x + std::max(c.box.w, 1) - 1);
    const int y1 = SEnd(c.box.y + std::max(c.box.h, 1) - 1);
    const std::string name(orvane::ControlName(c.id));
    if (c.id == Control::Label7) {
      for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) EXPECT_TRUE(bmp_.white(x, y)) << name << " " << x << "," << y;
      continue;
    }
    EXPECT_EQ(bmp_.at(S(c.box.x) + S(c.box.w) / 2, S(c.box.y) + S(c.box.h) / 2), kGreen5)
        << name << "'s centre";
    if (c.id == Control::Label4) continue;  // empty; reaches a little above the board
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x) EXPECT_FALSE(bmp_.white(x, y)) << name << " " << x << "," << y;
  }
}

TEST_P(Background, NoNearWhiteFringe) {
  int nearWhite = 0;
  for (const C5& c : bmp_.px)
    if (!(c == kWhite5) && std::min({c.r, c.g, c.b}) >= 26) ++nearWhite;
  EXPECT_EQ(nearWhite, 0);
}

INSTANTIATE_TEST_SUITE_P(Renditions, Background, ::testing::Values(1, 2),
                         [](const auto& info) { return info.param == 1 ? "x1" : "x2"; });

TEST(Background2x, HasTheShapeOfThe1xPicture) {
  const Bitmap one = ReadBmp555(ReadFile(kAssets / "background.bmp"), 504, 360);
  const Bitmap two = ReadBmp555(ReadFile(kAssets / "background@2x.bmp"), 1008, 720);
  ASSERT_FALSE(HasFailure());
  int differing = 0, drawn = 0;
  for (int y = 0; y < 360; ++y)
    for (int x = 0; x < 504; ++x) {
      int opaque = 0;
      for (int k = 0; k < 4; ++k) opaque += !two.white(2 * x + k % 2, 2 * y + k / 2);
      drawn += !one.white(x, y);
      differing += one.white(x, y) != (opaque < 2);
    }
  EXPECT_LT(differing, drawn / 50);
}

// An icon image as the .ico holds it: palette colours and the transparency mask.
struct IconImage {
  int size = 0;
  std::vector<std::array<std::uint8_t, 3>> rgb;
  std::vector<bool> transparent;
  std::array<std::uint8_t, 3> at(int x, int y) const { return rgb.at(y * size + x); }
  bool clear(int x, int y) const { return transparent.at(y * size + x); }
};

std::vector<IconImage> ReadIco(const Bytes& f) {
  std::vector<IconImage> images;
  EXPECT_EQ(Le(f, 0, 2), 0u);
  EXPECT_EQ(Le(f, 2, 2), 1u) << "an icon, not a cursor";
  const int count = static_cast<int>(Le(f, 4, 2));
  for (int i = 0; i < count; ++i) {
    const std::size_t entry = 6 + 16 * i;
    IconImage img;
    img.size = f.at(entry) == 0 ? 256 : f.at(entry);
    EXPECT_EQ(f.at(entry + 1), f.at(entry)) << "square";
    EXPECT_EQ(f.at(entry + 2), 16) << "16 colours";
    EXPECT_EQ(Le(f, entry + 4, 2), 1u);
    EXPECT_EQ(Le(f, entry + 6, 2), 4u);
    const std::size_t bytes = Le(f, entry + 8, 4), at = Le(f, entry + 12, 4);
    EXPECT_LE(at + bytes, f.size());
    EXPECT_EQ(Le(f, at, 4), 40u);
    EXPECT_EQ(static_cast<int>(Le(f, at + 4, 4)), img.size);
    EXPECT_EQ(static_cast<int>(Le(f, at + 8, 4)), 2 * img.size) << "colour and mask";
    EXPECT_EQ(Le(f, at + 14, 2), 4u);
    EXPECT_EQ(Le(f, at + 16, 4), 0u);
    const int n = img.size;
    const std::size_t palette = at + 40, xorBits = palette + 16 * 4;
    const std::size_t xorStride = (n * 4 + 31) / 32 * 4, andStride = (n + 31) / 32 * 4;
    const std::size_t andBits = xorBits + xorStride * n;
    EXPECT_EQ(andBits + andStride * n, at + bytes);
    const bool readable = andBits + andStride * n == at + bytes && at + bytes <= f.size() &&
                          Le(f, at + 14, 2) == 4;
    if (!readable) return images;
    for (int y = 0; y < n; ++y)
      for (int x = 0; x < n; ++x) {
        const std::size_t row = static_cast<std::size_t>(n - 1 - y);
        const int byte = f.at(xorBits + row * xorStride + x / 2);
        const int index = x % 2 ? byte & 15 : byte >> 4;
        const std::size_t p = palette + 4 * index;
        img.rgb.push_back({f.at(p + 2), f.at(p + 1), f.at(p)});
        img.transparent.push_back((f.at(andBits + row * andStride + x / 8) >> (7 - x % 8)) & 1);
        if (img.transparent.back()) {
          EXPECT_EQ(index, 0) << "transparent pixels are black";
        }
      }
    images.push_back(std::move(img));
  }
  return images;
}

using Px = std::array<std::uint8_t, 3>;
constexpr Px kIconBlack{0, 0, 0}, kIconWhite{255, 255, 255}, kIconGreen{0, 128, 0},
    kSilver{192, 192, 192}, kGrey{128, 128, 128};

TEST(Icon, IcoHoldsA32And16PixelImageIn16ColoursWithAMask) {
  const auto images = ReadIco(ReadFile(kAssets / "orvane.ico"));
  ASSERT_EQ(images.size(), 2u);
  std::set<int> sizes;
  for (const IconImage& img : images) {
    const int n = img.size;
    sizes.insert(n);
    SCOPED_TRACE(n);
    for (int x : {0, n - 1})
      for (int y : {0, n - 1}) EXPECT_TRUE(img.clear(x, y)) << "corner " << x << "," << y;
    // Across the middle row: a grey frame on each side of the screen's face.
    const int mid = n / 2 - 1;
    const auto frame = [&](int from, int step) {
      int x = from;
      while (img.clear(x, mid)) x += step;
      for (int k = 0; k < 3; ++k, x += step)
        if (img.at(x, mid) == kSilver || img.at(x, mid) == kGrey) return true;
      return false;
    };
    EXPECT_TRUE(frame(0, 1));
    EXPECT_TRUE(frame(n - 1, -1));
    // The face: black, with green grid lines and a white wave.
    std::map<Px, int> face;
    for (int y = n / 4; y < n * 3 / 4; ++y)
      for (int x = n / 4; x < n * 3 / 4; ++x) {
        EXPECT_FALSE(img.clear(x, y));
        ++face[img.at(x, y)];
      }
    EXPECT_GT(face[kIconBlack], n * n / 16);
    EXPECT_GT(face[kIconGreen], n / 2);
    EXPECT_GT(face[kIconWhite], n / 4);
  }
  EXPECT_EQ(sizes, (std::set<int>{16, 32}));
}

struct Png {
  int width = 0, height = 0;
  std::vector<std::array<std::uint8_t, 4>> rgba;
  std::array<std::uint8_t, 4> at(int x, int y) const { return rgba.at(y * width + x); }
};

// Reads an 8-bit RGBA PNG; zlib inflates it.
Png ReadPng(const Bytes& f) {
  Png png;
  const Bytes signature{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  EXPECT_TRUE(std::equal(signature.begin(), signature.end(), f.begin()));
  Bytes idat;
  for (std::size_t at = 8; at + 12 <= f.size();) {
    const std::uint32_t len = Be32(f, at);
    const std::string type(f.begin() + at + 4, f.begin() + at + 8);
    const Bytes typed(f.begin() + at + 4, f.begin() + at + 8 + len);
    EXPECT_EQ(crc32(0, typed.data(), static_cast<uInt>(typed.size())), Be32(f, at + 8 + len)) << type;
    if (type == "IHDR") {
      png.width = static_cast<int>(Be32(f, at + 8));
      png.height = static_cast<int>(Be32(f, at + 12));
      EXPECT_EQ(f.at(at + 16), 8) << "bit depth";
      EXPECT_EQ(f.at(at + 17), 6) << "RGBA";
      EXPECT_EQ(f.at(at + 20), 0) << "not interlaced";
    } else if (type == "IDAT") {
      idat.insert(idat.end(), f.begin() + at + 8, f.begin() + at + 8 + len);
    }
    at += 12 + len;
  }
  const std::size_t stride = static_cast<std::size_t>(png.width) * 4;
  Bytes raw((stride + 1) * png.height);
  uLongf rawSize = raw.size();
  const int inflated = uncompress(raw.data(), &rawSize, idat.data(), idat.size());
  EXPECT_EQ(inflated, Z_OK);
  EXPECT_EQ(rawSize, raw.size());
  if (inflated != Z_OK || rawSize != raw.size()) return png;
  Bytes prev(stride, 0), cur(stride);
  for (int y = 0; y < png.height; ++y) {
    const std::uint8_t* line = &raw[y * (stride + 1)];
    for (std::size_t x = 0; x < stride; ++x) {
      const int a = x >= 4 ? cur[x - 4] : 0, b = prev[x], c = x >= 4 ? prev[x - 4] : 0;
      const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
      const int predictor[5] = {0, a, b, (a + b) / 2, pa <= pb && pa <= pc ? a : pb <= pc ? b : c};
      EXPECT_LT(line[0], 5);
      cur[x] = static_cast<std::uint8_t>(line[1 + x] + predictor[std::min<int>(line[0], 4)]);
    }
    for (std::size_t x = 0; x < stride; x += 4) png.rgba.push_back({cur[x], cur[x + 1], cur[x + 2], cur[x + 3]});
    prev = cur;
  }
  return png;
}

TEST(Icon, DesktopPngsAtEverySizeMatchTheIco) {
  const auto ico = ReadIco(ReadFile(kAssets / "orvane.ico"));
  for (int n : {16, 22, 24, 32, 48, 64, 128, 256}) {
    SCOPED_TRACE(n);
    const Png png = ReadPng(ReadFile(kAssets / "png" / ("orvane-" + std::to_string(n) + ".png")));
    ASSERT_EQ(png.width, n);
    ASSERT_EQ(png.height, n);
    EXPECT_EQ(png.at(0, 0)[3], 0);
    EXPECT_EQ(png.at(n - 1, 0)[3], 0);
    EXPECT_EQ(png.at(n / 2, n / 2)[3], 255);
    for (const IconImage& img : ico) {
      if (img.size != n) continue;
      for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
          const auto p = png.at(x, y);
          EXPECT_EQ(p[3], img.clear(x, y) ? 0 : 255);
          if (!img.clear(x, y)) {
            EXPECT_EQ((Px{p[0], p[1], p[2]}), img.at(x, y)) << x << "," << y;
          }
        }
    }
    // Every size shows the black face, the grey frame, the white wave and the green grid.
    int black = 0, silver = 0, white = 0, green = 0;
    for (const auto& p : png.rgba) {
      if (p[3] != 255) continue;
      black += Px{p[0], p[1], p[2]} == kIconBlack;
      silver += Px{p[0], p[1], p[2]} == kSilver;
      white += std::min({p[0], p[1], p[2]}) >= 224;
      green += p[1] >= p[0] + 64 && p[1] >= p[2] + 64;
    }
    EXPECT_GT(black, n * n / 16);
    EXPECT_GT(silver, n);
    EXPECT_GT(white, n / 2);
    EXPECT_GT(green, n);
  }
}

TEST(Previews, AreReadablePngsForTheReadme) {
  const Png background = ReadPng(ReadFile(kAssets / "preview" / "background.png"));
  EXPECT_EQ(background.width, 2 * orvane::layout::kClientWidth);
  EXPECT_EQ(background.height, 2 * orvane::layout::kClientHeight);
  const Png icon = ReadPng(ReadFile(kAssets / "preview" / "icon.png"));
  EXPECT_GT(icon.width, 128);
}

// Every generated file is committed as the generator writes it, and nothing generated is stale.
TEST(Generator, ReproducesTheCommittedBytes) {
  std::set<std::string> generated;
  for (const auto& file : orvane::art::GenerateAll()) {
    generated.insert(file.path);
    EXPECT_TRUE(ReadFile(kAssets / file.path) == file.bytes) << file.path << ": run scripts/art";
  }
  for (const char* dir : {"png", "preview"})
    for (const auto& entry : fs::recursive_directory_iterator(kAssets / dir))
      if (entry.is_regular_file()) {
        EXPECT_TRUE(generated.count(fs::relative(entry.path(), kAssets).generic_string()))
            << entry.path() << " is not generated";
      }
}

}  // namespace
