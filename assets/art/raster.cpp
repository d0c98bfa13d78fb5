#include "assets/art/raster.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace orvane::art {

double Sine(double radians) {
  // Bring the angle into [-pi, pi], then fold it into [-pi/2, pi/2] where the series is short.
  const double turns = std::floor(radians / (2 * kPi) + 0.5);
  double x = radians - turns * (2 * kPi);
  if (x > kPi / 2) x = kPi - x;
  if (x < -kPi / 2) x = -kPi - x;
  const double x2 = x * x;
  double term = x, sum = x;
  for (int k = 1; k <= 10; ++k) {
    term = -term * x2 / ((2 * k) * (2 * k + 1));
    sum += term;
  }
  return sum;
}

double Cosine(double radians) { return Sine(radians + kPi / 2); }

void Scene::Polygon(std::vector<Vec> points, Rgb colour) {
  Shape s{Shape::Kind::Polygon, colour, points[0].x, points[0].y, points[0].x, points[0].y,
          {}, {}, {}, 0};
  for (const Vec& p : points) {
    s.x0 = std::min(s.x0, p.x), s.y0 = std::min(s.y0, p.y);
    s.x1 = std::max(s.x1, p.x), s.y1 = std::max(s.y1, p.y);
  }
  s.points = std::move(points);
  shapes_.push_back(std::move(s));
}

void Scene::RoundRect(double x0, double y0, double x1, double y1, double radius, Rgb colour) {
  shapes_.push_back({Shape::Kind::RoundRect, colour, x0, y0, x1, y1, {}, {}, {}, radius});
}

void Scene::Capsule(Vec a, Vec b, double radius, Rgb colour) {
  shapes_.push_back({Shape::Kind::Capsule, colour, std::min(a.x, b.x) - radius,
                     std::min(a.y, b.y) - radius, std::max(a.x, b.x) + radius,
                     std::max(a.y, b.y) + radius, {}, a, b, radius});
}

bool Scene::Shape::Contains(Vec p) const {
  if (p.x < x0 || p.x >= x1 || p.y < y0 || p.y >= y1) return false;
  switch (kind) {
    case Kind::Polygon: {
      int winding = 0;
      for (std::size_t i = 0, n = points.size(); i < n; ++i) {
        const Vec& u = points[i];
        const Vec& v = points[(i + 1) % n];
        const double side = (v.x - u.x) * (p.y - u.y) - (p.x - u.x) * (v.y - u.y);
        if (u.y <= p.y && v.y > p.y && side > 0) ++winding;
        if (u.y > p.y && v.y <= p.y && side < 0) --winding;
      }
      return winding != 0;
    }
    case Kind::RoundRect: {
      // Distance from the inner rectangle whose corners are the centres of the rounding arcs.
      const double dx = std::max({x0 + radius - p.x, 0.0, p.x - (x1 - radius)});
      const double dy = std::max({y0 + radius - p.y, 0.0, p.y - (y1 - radius)});
      return dx * dx + dy * dy < radius * radius;
    }
    case Kind::Capsule: {
      const Vec ab = b - a, ap = p - a;
      const double len2 = ab.x * ab.x + ab.y * ab.y;
      const double t = len2 > 0 ? std::clamp((ap.x * ab.x + ap.y * ab.y) / len2, 0.0, 1.0) : 0.0;
      const Vec d = ap - ab * t;
      return d.x * d.x + d.y * d.y < radius * radius;
    }
  }
  return false;
}

Pixels Render(const Scene& scene, int width, int height, double scale, int n) {
  Pixels out;
  out.width = width, out.height = height, out.samples = n * n;
  out.colour.assign(static_cast<std::size_t>(width) * height, kWhite);
  out.covered.assign(out.colour.size(), 0);
  const auto& shapes = scene.shapes();
  std::vector<const Scene::Shape*> row, here;
  for (int py = 0; py < height; ++py) {
    const double top = py / scale, bottom = (py + 1) / scale;
    row.clear();
    for (const auto& s : shapes)
      if (s.y1 > top && s.y0 < bottom) row.push_back(&s);
    if (row.empty()) continue;
    for (int px = 0; px < width; ++px) {
      const double left = px / scale, right = (px + 1) / scale;
      here.clear();
      for (auto it = row.rbegin(); it != row.rend(); ++it)  // topmost first
        if ((*it)->x1 > left && (*it)->x0 < right) here.push_back(*it);
      if (here.empty()) continue;
      unsigned r = 0, g = 0, b = 0, count = 0;
      for (int sy = 0; sy < n; ++sy) {
        for (int sx = 0; sx < n; ++sx) {
          const Vec p{(px + (sx + 0.5) / n) / scale, (py + (sy + 0.5) / n) / scale};
          for (const auto* s : here) {
            if (!s->Contains(p)) continue;
            r += s->colour.r, g += s->colour.g, b += s->colour.b, ++count;
            break;
          }
        }
      }
      if (count == 0) continue;
      const std::size_t i = static_cast<std::size_t>(py) * width + px;
      const auto mean = [count](unsigned sum) {
        return static_cast<std::uint8_t>((sum + count / 2) / count);
      };
      out.colour[i] = {mean(r), mean(g), mean(b)};
      out.covered[i] = static_cast<std::uint16_t>(count);
    }
  }
  return out;
}

void MakeEdgesHard(Pixels& pixels) {
  for (std::size_t i = 0; i < pixels.colour.size(); ++i) {
    if (pixels.covered[i] * 2 < pixels.samples) {
      pixels.colour[i] = kWhite;
      pixels.covered[i] = 0;
    } else {
      pixels.covered[i] = static_cast<std::uint16_t>(pixels.samples);
    }
  }
}

}  // namespace orvane::art
