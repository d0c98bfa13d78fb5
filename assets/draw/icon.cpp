// The icon: a grey-framed screen with a black face, a green grid and a white wave line, on a
// small stand. The 32 and 16 pixel designs are laid out on whole pixels for the .ico; the larger
// PNGs scale the 32 pixel design with smooth edges.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <vector>

#include "art.h"
#include "codecs.h"

namespace orvane::art {
namespace {

// Geometry in design units; rectangles are {x0, y0, x1, y1} with x1 and y1 exclusive.
struct Box {
  double x0, y0, x1, y1;
};
struct Design {
  int size;
  Box body;
  double bodyRadius;
  bool faceRing;  // an inset grey ring around the face (no room for it at 16 pixels)
  Box face;
  std::vector<double> gridCols, gridRows;
  double waveCentre, waveAmplitude;
  Box neck, base, led;
  bool footOutline;  // the 16 pixel foot is too thin for an outline
  bool highlight;    // at 16 pixels a white top edge would crowd the wave
};

// The 32-pixel design laid out again on whole pixels of another size.
Design Snapped(const Design& d, int size) {
  const double k = static_cast<double>(size) / d.size;
  auto r = [k](double v) { return std::round(v * k); };
  auto box = [&](const Box& b) { return Box{r(b.x0), r(b.y0), r(b.x1), r(b.y1)}; };
  Design out = d;
  out.size = size;
  out.body = box(d.body), out.face = box(d.face), out.neck = box(d.neck), out.base = box(d.base), out.led = box(d.led);
  out.bodyRadius = std::max(1.0, r(d.bodyRadius));
  for (double& x : out.gridCols) x = r(x);
  for (double& y : out.gridRows) y = r(y);
  out.waveCentre = d.waveCentre * k, out.waveAmplitude = d.waveAmplitude * k;
  return out;
}

const Design& DesignFor(int size) {
  static const Design d32{32, {2, 3, 30, 25}, 2, true, {5, 6, 27, 21}, {8, 13, 18, 23}, {8, 13, 18},
                          13.5, 4.5, {13, 25, 19, 27}, {8, 27, 24, 30}, {24, 22, 26, 23}, true, true};
  static const Design d16{16, {1, 1, 15, 12}, 1, false, {3, 3, 13, 10}, {5, 8, 11}, {5, 8},
                          6.5, 1.8, {6, 12, 10, 13}, {4, 13, 12, 14}, {11, 10, 12, 11}, false, false};
  return size == 16 ? d16 : d32;
}

struct Palette {
  Rgb outline, frame, highlight, shadow, ring, face, grid, wave, led, neck;
};
constexpr Palette kVgaColours{{0, 0, 0},       {192, 192, 192}, {255, 255, 255}, {128, 128, 128}, {128, 128, 128},
                              {0, 0, 0},       {0, 128, 0},     {255, 255, 255}, {0, 255, 0},     {128, 128, 128}};
constexpr Palette kTrueColours{{24, 25, 28},   {196, 199, 204}, {240, 242, 245}, {122, 126, 134}, {86, 90, 98},
                               {6, 8, 10},     {0, 132, 58},    {255, 255, 255}, {40, 230, 90},   {110, 114, 122}};

Polygon BoxPoly(const Box& b) { return Rect(b.x0, b.y0, b.x1, b.y1); }
Polygon RoundedBox(const Box& b, double r) {
  const std::array<Corner, 4> c{{{{b.x0, b.y0}, r}, {{b.x1, b.y0}, r}, {{b.x1, b.y1}, r}, {{b.x0, b.y1}, r}}};
  return Rounded(c, 8);
}

}  // namespace

Image DrawIcon(int size, bool vga) {
  if (vga && size != 16 && size != 32) throw std::invalid_argument("the 16-colour icon is 16 or 32 pixels");
  const bool hard = size <= 32;
  const Design d = hard && size != 16 ? Snapped(DesignFor(32), size) : DesignFor(size);
  const double scale = static_cast<double>(size) / d.size;
  const Palette& pal = vga ? kVgaColours : kTrueColours;
  // Up to 32 pixels every feature is whole pixels (one sample a pixel, lines one pixel wide);
  // larger sizes get smooth edges.
  Canvas cv(d.size, d.size, scale, hard ? 1 : 5);
  const double px = 1 / scale;                      // one pixel in design units
  const double line = hard ? px : std::max(px, 0.8);  // bevels and outlines
  const double fine = hard ? px : std::max(px, 0.6);  // grid lines

  const Ink outline = cv.AddInk(pal.outline), frame = cv.AddInk(pal.frame), highlight = cv.AddInk(pal.highlight),
            shadow = cv.AddInk(pal.shadow), ring = cv.AddInk(pal.ring), face = cv.AddInk(pal.face),
            grid = cv.AddInk(pal.grid), wave = cv.AddInk(pal.wave), led = cv.AddInk(pal.led), neck = cv.AddInk(pal.neck);

  // Stand: neck, then the foot with its outline.
  cv.Fill(cv.Rasterize(BoxPoly(d.neck)), neck);
  const std::array<Band, 2> footBands{{{d.footOutline ? line : 0, outline}, {0, d.footOutline ? frame : neck}}};
  cv.FillBands(cv.Rasterize(RoundedBox(d.base, vga ? 0 : 1)), footBands);

  // Frame: outline, silver, light top and left, dark bottom and right, clipped to the frame.
  const Mask body = cv.Rasterize(RoundedBox(d.body, d.bodyRadius));
  const std::array<Band, 2> bodyBands{{{line, outline}, {0, frame}}};
  cv.FillBands(body, bodyBands);
  const Box& b = d.body;
  const double in = line;
  if (d.highlight) {
    cv.Fill(Intersect(cv.Rasterize(Rect(b.x0 + in, b.y0 + in, b.x1 - in, b.y0 + 2 * in)), body), highlight);
    cv.Fill(Intersect(cv.Rasterize(Rect(b.x0 + in, b.y0 + in, b.x0 + 2 * in, b.y1 - in)), body), highlight);
  }
  cv.Fill(Intersect(cv.Rasterize(Rect(b.x0 + in, b.y1 - 2 * in, b.x1 - in, b.y1 - in)), body), shadow);
  cv.Fill(Intersect(cv.Rasterize(Rect(b.x1 - 2 * in, b.y0 + 2 * in, b.x1 - in, b.y1 - in)), body), shadow);
  cv.Fill(cv.Rasterize(BoxPoly(d.led)), led);

  // Face with its inset ring, the grid, the wave.
  const Box& f = d.face;
  if (d.faceRing) cv.Fill(cv.Rasterize(Rect(f.x0 - line, f.y0 - line, f.x1 + line, f.y1 + line)), ring);
  cv.Fill(cv.Rasterize(BoxPoly(f)), face);
  std::vector<Polygon> lines;
  for (double x : d.gridCols) lines.push_back(Rect(x + 0.5 - fine / 2, f.y0, x + 0.5 + fine / 2, f.y1));
  for (double y : d.gridRows) lines.push_back(Rect(f.x0, y + 0.5 - fine / 2, f.x1, y + 0.5 + fine / 2));
  for (const Polygon& l : lines) cv.Fill(cv.Rasterize(l), grid);

  auto waveY = [&](double x) {
    return d.waveCentre - d.waveAmplitude * std::sin(2 * std::numbers::pi * (x - f.x0) / (f.x1 - f.x0));
  };
  if (hard) {
    // Whole pixels: each pixel column covers the curve over its width, so the line never breaks.
    const int first = static_cast<int>(std::floor(f.x0 * scale)), last = static_cast<int>(std::ceil(f.x1 * scale));
    for (int c = first; c < last; ++c) {
      const double x0 = std::max(c * px, f.x0), x1 = std::min((c + 1) * px, f.x1);
      const double a = waveY(c * px + 0.25 * px), e = waveY(c * px + 0.75 * px);
      const double lo = std::max(std::min(a, e) - 0.4 * px, f.y0), hi = std::min(std::max(a, e) + 0.4 * px, f.y1);
      cv.Fill(cv.Rasterize(Rect(x0, lo, x1, hi)), wave);
    }
  } else {
    // A ribbon of even width along the curve.
    const double w = std::max(1.2 * px, 1.1) / 2;
    Polygon upper, lower;
    constexpr int kSteps = 160;
    for (int k = 0; k <= kSteps; ++k) {
      const double x = f.x0 + (f.x1 - f.x0) * k / kSteps, y = waveY(x);
      const double dy = (waveY(x + 0.01) - waveY(x - 0.01)) / 0.02, n = std::hypot(1.0, dy);
      upper.push_back({x + dy / n * w, y - 1 / n * w});
      lower.push_back({x - dy / n * w, y + 1 / n * w});
    }
    upper.insert(upper.end(), lower.rbegin(), lower.rend());
    cv.Fill(Intersect(cv.Rasterize(upper), cv.Rasterize(BoxPoly(f))), wave);
  }
  return cv.ResolveAlpha();  // with one sample a pixel, alpha is 0 or 255
}

}  // namespace orvane::art
