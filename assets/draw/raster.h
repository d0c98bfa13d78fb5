// Drawing with hard outer edges: shapes are rasterised into a grid of ink samples (several per
// pixel); a pixel is opaque exactly when its centre sample is inked, and then takes the mean of its
// inked samples only. Edges between two inks are smooth; edges toward the paper (the colour key)
// are never blended with it, so no near-white fringe can appear.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace orvane::art {

struct Pt {
  double x, y;
};
using Polygon = std::vector<Pt>;

struct Rgb {
  std::uint8_t r, g, b;
  bool operator==(const Rgb&) const = default;
};
inline constexpr Rgb kWhite{255, 255, 255};

struct Rgba {
  std::uint8_t r, g, b, a;
  bool operator==(const Rgba&) const = default;
};

// An RGBA picture, rows top-down. Alpha is 0 or 255 for the hard-edged pictures.
struct Image {
  int width = 0, height = 0;
  std::vector<Rgba> px;
  Image() = default;
  Image(int w, int h, Rgba fill) : width(w), height(h), px(static_cast<std::size_t>(w) * h, fill) {}
  Rgba& at(int x, int y) { return px[static_cast<std::size_t>(y) * width + x]; }
  const Rgba& at(int x, int y) const { return px[static_cast<std::size_t>(y) * width + x]; }
};

using Ink = std::uint8_t;  // 0 is the paper

// A set of samples in a rectangle of the sample grid.
struct Mask {
  int x0 = 0, y0 = 0, w = 0, h = 0;
  std::vector<std::uint8_t> on;
  bool at(int x, int y) const {
    return x >= x0 && y >= y0 && x < x0 + w && y < y0 + h && on[static_cast<std::size_t>(y - y0) * w + (x - x0)];
  }
};

// Ring of a shape measured inward from its edge, in design units; the last band fills the rest.
struct Band {
  double width;
  Ink ink;
};

class Canvas {
 public:
  // A picture of width x height design units drawn at `scale` pixels per unit, with
  // samples x samples ink samples per pixel (odd, so that one sample sits on the pixel centre).
  Canvas(int width, int height, double scale, int samples);

  Ink AddInk(Rgb colour);
  Mask Rasterize(std::span<const Polygon> contours) const;  // even-odd over all contours
  Mask Rasterize(const Polygon& contour) const { return Rasterize(std::span(&contour, 1)); }
  void Fill(const Mask& mask, Ink ink);
  void FillBands(const Mask& mask, std::span<const Band> bands);

  // Hard edges toward the paper: paper pixels are pure white and opaque ones never mix with it.
  Image ResolveKeyed() const;
  // Soft edges: alpha is the inked share of the pixel's samples (for the icon's PNGs).
  Image ResolveAlpha() const;

  int pixelWidth() const { return pw_; }
  int pixelHeight() const { return ph_; }

 private:
  // The inked samples of one pixel: their mean colour (alpha 255) and how many there are.
  struct PixelInk {
    Rgba mean;
    unsigned inked;
  };
  PixelInk InkOf(int px, int py) const;

  int pw_, ph_;   // pixels
  int ss_;        // samples per pixel along each axis
  int sw_, sh_;   // samples
  double s_;      // samples per design unit
  std::vector<Ink> ink_;
  std::vector<Rgb> palette_;
};

// Shape helpers, all in design units.
struct Corner {
  Pt p;
  double radius;
};
Polygon Rounded(std::span<const Corner> corners, int segmentsPerArc = 10);
Polygon Circle(Pt centre, double radius, int segments = 48);
// A straight stroke whose width runs from w0 at a to w1 at b, with flat ends.
Polygon Taper(Pt a, Pt b, double w0, double w1);
Polygon Rect(double x0, double y0, double x1, double y1);

// Fixed-seed generator for the torn edges: the same numbers on every run and every machine.
class Lcg {
 public:
  explicit Lcg(std::uint32_t seed) : state_(seed) {}
  double Next();  // in [-1, 1)
 private:
  std::uint32_t state_;
};

}  // namespace orvane::art

namespace orvane::art {
// The samples set in both masks.
Mask Intersect(const Mask& a, const Mask& b);
}  // namespace orvane::art
