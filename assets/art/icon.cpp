// The icon: a monitor with a grey frame, its black face crossed by a green grid and a white wave,
// on a small stand. Sizes up to 32 pixels are drawings of whole pixels, each laid out for its
// size; every larger size is the 32-pixel layout scaled, with smooth edges.
#include <algorithm>
#include <vector>

#include "assets/art/art.h"

namespace orvane::art {
namespace {

constexpr Rgb kBlack = kVgaPalette[0];
constexpr Rgb kDarkGreen = kVgaPalette[2];
constexpr Rgb kSilver = kVgaPalette[7];
constexpr Rgb kGrey = kVgaPalette[8];
constexpr Rgb kLime = kVgaPalette[10];
constexpr Rgb kWhiteInk = kVgaPalette[15];

struct Box {
  double x0, y0, x1, y1;  // [x0, x1) × [y0, y1) in pixels of the layout's own size
};

struct Layout {
  int size;
  Box body;         // black outline around the frame
  bool bevel;       // a white top-left and grey bottom-right edge on the frame
  Box bezel;        // grey edge around the face; empty where there is none
  Box face;
  double gridX0, gridY0, gridStep;  // the first grid lines and their spacing
  double waveAmplitude;
  Box led;          // empty where there is none
  Box neck, base;   // black outlines of the stand, filled grey (neck) and silver (base)
};

constexpr double kCorner = 2;  // cuts one pixel off each corner at the layout's own size

// One pixel drawing for each small size the desktop asks for, symmetric about the middle.
constexpr Layout kLayouts[] = {
    {16, {0, 1, 16, 13}, false, {}, {2, 3, 14, 11}, 5, 4, 5, 2.5, {}, {6, 12, 10, 15},
     {3, 14, 13, 16}},
    {22, {1, 2, 21, 17}, true, {}, {4, 5, 18, 14}, 6, 6, 3, 2.5, {16, 14, 18, 15}, {8, 16, 14, 19},
     {4, 18, 18, 21}},
    {24, {1, 2, 23, 19}, true, {}, {4, 5, 20, 16}, 7, 7, 3, 3, {18, 16, 20, 17}, {9, 18, 15, 21},
     {5, 20, 19, 23}},
    {32, {1, 3, 31, 26}, true, {4, 6, 28, 23}, {5, 7, 27, 22}, 8, 9, 5, 4.5, {25, 23, 27, 24},
     {13, 25, 19, 28}, {8, 27, 24, 31}},
};
constexpr const Layout& kLarge = kLayouts[3];

bool Empty(const Box& b) { return b.x1 <= b.x0; }

void Fill(Scene& s, const Box& b, Rgb colour, double radius = 0) {
  if (radius > 0) s.RoundRect(b.x0, b.y0, b.x1, b.y1, radius, colour);
  else s.Polygon({{b.x0, b.y0}, {b.x1, b.y0}, {b.x1, b.y1}, {b.x0, b.y1}}, colour);
}

// An outline one pixel wide around a filling.
void Framed(Scene& s, const Box& b, Rgb fill) {
  Fill(s, b, kBlack, kCorner);
  Fill(s, {b.x0 + 1, b.y0 + 1, b.x1 - 1, b.y1 - 1}, fill);
}

// The wave's centre line across the face: one full period.
double WaveY(const Layout& l, double x) {
  const double width = l.face.x1 - l.face.x0;
  return (l.face.y0 + l.face.y1) / 2 - l.waveAmplitude * Sine(2 * kPi * (x - l.face.x0) / width);
}

Scene Monitor(const Layout& l, bool pixelArt) {
  Scene s;
  Framed(s, l.neck, kGrey);
  Framed(s, l.base, kSilver);
  Framed(s, l.body, kSilver);
  const Box frame{l.body.x0 + 1, l.body.y0 + 1, l.body.x1 - 1, l.body.y1 - 1};
  if (l.bevel) {
    Fill(s, {frame.x0, frame.y0, frame.x1, frame.y0 + 1}, kWhiteInk);
    Fill(s, {frame.x0, frame.y0, frame.x0 + 1, frame.y1}, kWhiteInk);
    Fill(s, {frame.x0 + 1, frame.y1 - 1, frame.x1, frame.y1}, kGrey);
    Fill(s, {frame.x1 - 1, frame.y0 + 1, frame.x1, frame.y1}, kGrey);
  }
  if (!Empty(l.led)) Fill(s, l.led, kLime);
  if (!Empty(l.bezel)) Fill(s, l.bezel, kGrey);
  Fill(s, l.face, kBlack);
  // Grid lines one pixel wide in the pixel drawings, finer where the icon is drawn large.
  const double inset = pixelArt ? 0 : 0.2;
  for (double x = l.gridX0; x < l.face.x1; x += l.gridStep)
    Fill(s, {x + inset, l.face.y0, x + 1 - inset, l.face.y1}, kDarkGreen);
  for (double y = l.gridY0; y < l.face.y1; y += l.gridStep)
    Fill(s, {l.face.x0, y + inset, l.face.x1, y + 1 - inset}, kDarkGreen);

  if (pixelArt) {
    // One pixel a column, joined to the next column by a vertical run so that it never breaks.
    int last = -1;
    for (double x = l.face.x0; x < l.face.x1; ++x) {
      const int y = static_cast<int>(WaveY(l, x + 0.5));
      const int from = last < 0 ? y : (last < y ? last + 1 : y);
      const int to = last < 0 ? y : (last > y ? last - 1 : y);
      for (int k = std::min(from, to); k <= std::max(from, to); ++k)
        Fill(s, {x, static_cast<double>(k), x + 1, k + 1.0}, kWhiteInk);
      last = y;
    }
  } else {
    constexpr double kStep = 0.25, kHalfWidth = 0.6;
    for (double x = l.face.x0 + 0.5; x + kStep <= l.face.x1 - 0.5; x += kStep)
      s.Capsule({x, WaveY(l, x) + 0.5}, {x + kStep, WaveY(l, x + kStep) + 0.5}, kHalfWidth,
                kWhiteInk);
  }
  return s;
}

}  // namespace

Pixels RenderIcon(int size) {
  for (const Layout& l : kLayouts)
    if (l.size == size) return Render(Monitor(l, true), size, size, 1, 1);
  return Render(Monitor(kLarge, false), size, size, static_cast<double>(size) / kLarge.size, 8);
}

}  // namespace orvane::art
