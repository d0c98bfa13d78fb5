// A small vector scene and the sampler that turns it into pixels. Shapes are painted in the order
// they are added, each over the ones before, on a transparent ground. Only +, -, *, / and sqrt
// are used on the way from a shape to a pixel, so the result is the same bits on every build.
#pragma once

#include <cstdint>
#include <vector>

namespace orvane::art {

struct Rgb {
  std::uint8_t r, g, b;
  friend bool operator==(const Rgb&, const Rgb&) = default;
};

inline constexpr Rgb kWhite{255, 255, 255};

struct Vec {
  double x, y;
};
constexpr Vec operator+(Vec a, Vec b) { return {a.x + b.x, a.y + b.y}; }
constexpr Vec operator-(Vec a, Vec b) { return {a.x - b.x, a.y - b.y}; }
constexpr Vec operator*(Vec a, double k) { return {a.x * k, a.y * k}; }

// sin and cos of an angle in radians, from a fixed series rather than the C library's.
double Sine(double radians);
double Cosine(double radians);
inline constexpr double kPi = 3.14159265358979323846;

class Scene {
 public:
  // A filled polygon (non-zero winding); the last point joins the first.
  void Polygon(std::vector<Vec> points, Rgb colour);
  // A rectangle from (x0, y0) to (x1, y1) with corners rounded to `radius`.
  void RoundRect(double x0, double y0, double x1, double y1, double radius, Rgb colour);
  // Every point within `radius` of the segment from a to b (a stroke with round ends).
  void Capsule(Vec a, Vec b, double radius, Rgb colour);
  void Circle(Vec centre, double radius, Rgb colour) { Capsule(centre, centre, radius, colour); }

  struct Shape;
  const std::vector<Shape>& shapes() const { return shapes_; }

 private:
  std::vector<Shape> shapes_;
};

struct Scene::Shape {
  enum class Kind : std::uint8_t { Polygon, RoundRect, Capsule } kind;
  Rgb colour;
  double x0, y0, x1, y1;  // bounding box
  std::vector<Vec> points;  // Polygon: its corners; RoundRect, Capsule: not used
  Vec a, b;                 // Capsule: the segment
  double radius;            // RoundRect, Capsule
  bool Contains(Vec p) const;
};

// What a scene looks like at one size: each pixel's colour and how much of it the scene covers.
struct Pixels {
  int width = 0, height = 0;
  std::vector<Rgb> colour;            // the mean of the covered samples; white where none is
  std::vector<std::uint16_t> covered;  // covered samples of `samples` in all
  int samples = 1;
  Rgb& at(int x, int y) { return colour[static_cast<std::size_t>(y) * width + x]; }
  const Rgb& at(int x, int y) const { return colour[static_cast<std::size_t>(y) * width + x]; }
  int coverage(int x, int y) const { return covered[static_cast<std::size_t>(y) * width + x]; }
};

// Samples the scene on an n × n grid in each of width × height pixels, `scale` pixels to a unit.
Pixels Render(const Scene& scene, int width, int height, double scale, int n);

// Hard edges: a pixel less than half covered becomes pure white, any other keeps the mean colour
// of what covers it, so no edge pixel is a blend with the white ground.
void MakeEdgesHard(Pixels& pixels);

}  // namespace orvane::art
