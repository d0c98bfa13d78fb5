#include "raster.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>
#include <stdexcept>

namespace orvane::art {

Canvas::Canvas(int width, int height, double scale, int samples)
    : pw_(static_cast<int>(std::lround(width * scale))),
      ph_(static_cast<int>(std::lround(height * scale))),
      ss_(samples),
      sw_(pw_ * samples),
      sh_(ph_ * samples),
      s_(scale * samples),
      ink_(static_cast<std::size_t>(sw_) * sh_, 0),
      palette_{kWhite} {
  if (samples % 2 == 0) throw std::invalid_argument("samples per pixel must be odd");
}

Ink Canvas::AddInk(Rgb colour) {
  if (palette_.size() >= 255) throw std::length_error("too many inks");
  palette_.push_back(colour);
  return static_cast<Ink>(palette_.size() - 1);
}

// Scanline fill at the sample centres; a sample is inside when it lies in [left, right) of a span.
Mask Canvas::Rasterize(std::span<const Polygon> contours) const {
  double minX = std::numeric_limits<double>::max(), minY = minX;
  double maxX = std::numeric_limits<double>::lowest(), maxY = maxX;
  for (const Polygon& c : contours)
    for (const Pt& p : c) {
      minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
      minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
  Mask m;
  if (minX > maxX) return m;
  const int x0 = std::clamp(static_cast<int>(std::floor(minX * s_)) - 1, 0, sw_);
  const int x1 = std::clamp(static_cast<int>(std::ceil(maxX * s_)) + 1, 0, sw_);
  const int y0 = std::clamp(static_cast<int>(std::floor(minY * s_)) - 1, 0, sh_);
  const int y1 = std::clamp(static_cast<int>(std::ceil(maxY * s_)) + 1, 0, sh_);
  m.x0 = x0, m.y0 = y0, m.w = x1 - x0, m.h = y1 - y0;
  m.on.assign(static_cast<std::size_t>(m.w) * m.h, 0);
  std::vector<double> xs;
  for (int j = y0; j < y1; ++j) {
    const double yc = (j + 0.5) / s_;
    xs.clear();
    for (const Polygon& c : contours) {
      for (std::size_t i = 0; i < c.size(); ++i) {
        const Pt& a = c[i];
        const Pt& b = c[(i + 1) % c.size()];
        if ((a.y <= yc && yc < b.y) || (b.y <= yc && yc < a.y))
          xs.push_back(a.x + (yc - a.y) * (b.x - a.x) / (b.y - a.y));
      }
    }
    std::sort(xs.begin(), xs.end());
    for (std::size_t k = 0; k + 1 < xs.size(); k += 2) {
      // First and one-past-last sample whose centre (i + 0.5) / s_ lies in [xs[k], xs[k+1]).
      int from = static_cast<int>(std::ceil(xs[k] * s_ - 0.5));
      int to = static_cast<int>(std::ceil(xs[k + 1] * s_ - 0.5));
      from = std::clamp(from, x0, x1), to = std::clamp(to, x0, x1);
      std::uint8_t* row = &m.on[static_cast<std::size_t>(j - y0) * m.w];
      for (int i = from; i < to; ++i) row[i - x0] = 1;
    }
  }
  return m;
}

void Canvas::Fill(const Mask& mask, Ink ink) {
  for (int y = 0; y < mask.h; ++y)
    for (int x = 0; x < mask.w; ++x)
      if (mask.on[static_cast<std::size_t>(y) * mask.w + x])
        ink_[static_cast<std::size_t>(y + mask.y0) * sw_ + (x + mask.x0)] = ink;
}

// Chamfer distance (1, sqrt 2) from every inked sample of the mask to the nearest sample outside.
void Canvas::FillBands(const Mask& mask, std::span<const Band> bands) {
  const int w = mask.w + 2, h = mask.h + 2;  // one ring of outside samples around the mask
  const float inf = std::numeric_limits<float>::max() / 4;
  std::vector<float> d(static_cast<std::size_t>(w) * h, 0.0f);
  auto at = [&](int x, int y) -> float& { return d[static_cast<std::size_t>(y) * w + x]; };
  for (int y = 0; y < mask.h; ++y)
    for (int x = 0; x < mask.w; ++x)
      if (mask.on[static_cast<std::size_t>(y) * mask.w + x]) at(x + 1, y + 1) = inf;
  const float diag = std::numbers::sqrt2_v<float>;
  for (int y = 1; y < h - 1; ++y)
    for (int x = 1; x < w - 1; ++x) {
      float& v = at(x, y);
      if (v == 0) continue;
      v = std::min({v, at(x - 1, y) + 1, at(x, y - 1) + 1, at(x - 1, y - 1) + diag, at(x + 1, y - 1) + diag});
    }
  for (int y = h - 2; y >= 1; --y)
    for (int x = w - 2; x >= 1; --x) {
      float& v = at(x, y);
      if (v == 0) continue;
      v = std::min({v, at(x + 1, y) + 1, at(x, y + 1) + 1, at(x + 1, y + 1) + diag, at(x - 1, y + 1) + diag});
    }
  for (int y = 0; y < mask.h; ++y)
    for (int x = 0; x < mask.w; ++x) {
      const float v = at(x + 1, y + 1);
      if (v == 0) continue;
      // The edge lies half a sample outside the last inked sample.
      const double units = (v - 0.5) / s_;
      double edge = 0;
      Ink ink = bands.back().ink;
      for (const Band& b : bands.first(bands.size() - 1)) {
        edge += b.width;
        if (units < edge) {
          ink = b.ink;
          break;
        }
      }
      ink_[static_cast<std::size_t>(y + mask.y0) * sw_ + (x + mask.x0)] = ink;
    }
}

Canvas::PixelInk Canvas::InkOf(int px, int py) const {
  const std::size_t base = static_cast<std::size_t>(py * ss_) * sw_ + static_cast<std::size_t>(px * ss_);
  unsigned r = 0, g = 0, b = 0, n = 0;
  for (int j = 0; j < ss_; ++j)
    for (int i = 0; i < ss_; ++i) {
      const Ink k = ink_[base + static_cast<std::size_t>(j) * sw_ + i];
      if (k == 0) continue;
      r += palette_[k].r, g += palette_[k].g, b += palette_[k].b, ++n;
    }
  if (n == 0) return {{0, 0, 0, 0}, 0};
  return {{static_cast<std::uint8_t>((r + n / 2) / n), static_cast<std::uint8_t>((g + n / 2) / n),
           static_cast<std::uint8_t>((b + n / 2) / n), 255},
          n};
}

Image Canvas::ResolveKeyed() const {
  Image out(pw_, ph_, {255, 255, 255, 255});
  const std::size_t centre = static_cast<std::size_t>(ss_ / 2);
  for (int py = 0; py < ph_; ++py)
    for (int px = 0; px < pw_; ++px) {
      const std::size_t base = static_cast<std::size_t>(py * ss_) * sw_ + static_cast<std::size_t>(px * ss_);
      if (ink_[base + centre * sw_ + centre] == 0) continue;
      out.at(px, py) = InkOf(px, py).mean;
    }
  return out;
}

Image Canvas::ResolveAlpha() const {
  Image out(pw_, ph_, {0, 0, 0, 0});
  const unsigned total = static_cast<unsigned>(ss_ * ss_);
  for (int py = 0; py < ph_; ++py)
    for (int px = 0; px < pw_; ++px) {
      const PixelInk p = InkOf(px, py);
      if (p.inked == 0) continue;
      out.at(px, py) = {p.mean.r, p.mean.g, p.mean.b,
                        static_cast<std::uint8_t>((255 * p.inked + total / 2) / total)};
    }
  return out;
}

namespace {
Pt Unit(Pt v) {
  const double l = std::hypot(v.x, v.y);
  return {v.x / l, v.y / l};
}
}  // namespace

Polygon Rounded(std::span<const Corner> corners, int segmentsPerArc) {
  Polygon out;
  const std::size_t n = corners.size();
  for (std::size_t i = 0; i < n; ++i) {
    const Pt p = corners[i].p;
    const double r = corners[i].radius;
    if (r <= 0) {
      out.push_back(p);
      continue;
    }
    const Pt u = Unit({corners[(i + n - 1) % n].p.x - p.x, corners[(i + n - 1) % n].p.y - p.y});
    const Pt v = Unit({corners[(i + 1) % n].p.x - p.x, corners[(i + 1) % n].p.y - p.y});
    const double half = std::acos(std::clamp(u.x * v.x + u.y * v.y, -1.0, 1.0)) / 2;
    const double t = r / std::tan(half);
    const Pt bis = Unit({u.x + v.x, u.y + v.y});
    const Pt c{p.x + bis.x * r / std::sin(half), p.y + bis.y * r / std::sin(half)};
    const Pt t1{p.x + u.x * t, p.y + u.y * t}, t2{p.x + v.x * t, p.y + v.y * t};
    const double a1 = std::atan2(t1.y - c.y, t1.x - c.x);
    double a2 = std::atan2(t2.y - c.y, t2.x - c.x);
    double sweep = a2 - a1;
    while (sweep > std::numbers::pi) sweep -= 2 * std::numbers::pi;
    while (sweep < -std::numbers::pi) sweep += 2 * std::numbers::pi;
    for (int k = 0; k <= segmentsPerArc; ++k) {
      const double a = a1 + sweep * k / segmentsPerArc;
      out.push_back({c.x + r * std::cos(a), c.y + r * std::sin(a)});
    }
  }
  return out;
}

Polygon Circle(Pt centre, double radius, int segments) {
  Polygon out;
  for (int k = 0; k < segments; ++k) {
    const double a = 2 * std::numbers::pi * k / segments;
    out.push_back({centre.x + radius * std::cos(a), centre.y + radius * std::sin(a)});
  }
  return out;
}

Polygon Taper(Pt a, Pt b, double w0, double w1) {
  const Pt d = Unit({b.x - a.x, b.y - a.y});
  const Pt n{-d.y, d.x};
  return {{a.x + n.x * w0 / 2, a.y + n.y * w0 / 2},
          {b.x + n.x * w1 / 2, b.y + n.y * w1 / 2},
          {b.x - n.x * w1 / 2, b.y - n.y * w1 / 2},
          {a.x - n.x * w0 / 2, a.y - n.y * w0 / 2}};
}

Polygon Rect(double x0, double y0, double x1, double y1) { return {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}}; }

double Lcg::Next() {
  state_ = state_ * 1664525u + 1013904223u;
  return static_cast<double>(state_ >> 8) / static_cast<double>(1u << 23) - 1.0;
}

}  // namespace orvane::art

namespace orvane::art {
Mask Intersect(const Mask& a, const Mask& b) {
  Mask m = a;
  for (int y = 0; y < m.h; ++y)
    for (int x = 0; x < m.w; ++x) {
      std::uint8_t& v = m.on[static_cast<std::size_t>(y) * m.w + x];
      v = v && b.at(x + m.x0, y + m.y0);
    }
  return m;
}
}  // namespace orvane::art
