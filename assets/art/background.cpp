// The skin: a green board hanging on two strings from two nails, a torn navy patch stuck over its
// upper right corner, and a magenta ribbon with a line of text peeking out from under it. Units
// are pixels of the 96-dpi picture; everything outside the drawing stays pure white (the colour
// key). The controls of the window lie on the board, and the Close label to the right of the
// notch in the board's lower right corner, on white.
#include <array>
#include <cmath>
#include <string_view>

#include "assets/art/art.h"

namespace orvane::art {
namespace {

constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kNailHighlight{120, 120, 120};
constexpr Rgb kPatchRim{150, 170, 190};
constexpr Rgb kRibbonInk{44, 6, 38};

constexpr Rgb kBoardLight{41, 115, 74};
constexpr Rgb kBoardShade{8, 57, 33};
constexpr double kBoardOutline = 2;
constexpr double kRimWidth = 1.6;
constexpr double kBevel = 1.2;  // less than the outline's width along a diagonal
constexpr double kStringX[] = {137.5, 237.5};
constexpr double kNailY = 4.5;
constexpr double kBoardTop = 100;

// The board's outline: a rectangle with rounded corners and a rectangular notch in its lower
// right corner, listed clockwise. A negative radius marks an inner (concave) corner.
struct Corner {
  Vec at;
  double radius;
};
constexpr std::array<Corner, 6> kBoard{{
    {{73, kBoardTop}, 9},
    {{295, kBoardTop}, 9},
    {{295, 206}, 5},
    {{277, 206}, -4},
    {{277, 225}, 5},
    {{73, 225}, 9},
}};

// The board's outline moved `inset` units inwards, its corners rounded.
std::vector<Vec> BoardPath(double inset) {
  constexpr int kArcSteps = 12;
  const std::size_t n = kBoard.size();
  const auto direction = [&](std::size_t from) {
    const Vec d = kBoard[(from + 1) % n].at - kBoard[from].at;
    const double len = d.x < 0 ? -d.x : d.x > 0 ? d.x : d.y < 0 ? -d.y : d.y;
    return d * (1 / len);  // the edges are horizontal or vertical
  };
  std::vector<Vec> path;
  for (std::size_t i = 0; i < n; ++i) {
    const Vec in = direction((i + n - 1) % n), out = direction(i);
    const Vec inNormal{-in.y, in.x}, outNormal{-out.y, out.x};  // pointing into the board
    const Vec corner = kBoard[i].at + (inNormal + outNormal) * inset;
    const bool convex = kBoard[i].radius > 0;
    const double r = convex ? kBoard[i].radius - inset : -kBoard[i].radius + inset;
    const Vec from = corner - in * r, to = corner + out * r;
    const Vec centre = from + inNormal * (convex ? r : -r);
    for (int k = 0; k <= kArcSteps; ++k) {
      const double t = kPi / 2 * k / kArcSteps;
      path.push_back(centre + (from - centre) * Cosine(t) + (to - centre) * Sine(t));
    }
  }
  return path;
}

std::vector<Vec> Shifted(std::vector<Vec> points, Vec by) {
  for (Vec& p : points) p = p + by;
  return points;
}

// The band between two closed paths, the inner one inside the outer: the outer path, a bridge to
// the inner one, the inner path backwards and the bridge back, so that the hole winds zero.
std::vector<Vec> Ring(std::vector<Vec> outer, const std::vector<Vec>& inner) {
  outer.push_back(outer.front());
  outer.insert(outer.end(), inner.rbegin(), inner.rend());
  outer.push_back(inner.back());
  return outer;
}

// The torn patch, clockwise from its upper left: a ragged top, the right edge, and the tear
// running back up to the left across the board's corner.
const std::vector<Vec> kPatch{
    {252, 96},  {258, 92.5}, {264, 94.5}, {271, 90.5}, {279, 92.5}, {287, 89},  {295, 91},
    {300, 88.5}, {304, 93}, {302.5, 101}, {304, 108}, {301.5, 116}, {304, 124}, {302, 131},
    {304, 139}, {300, 145}, {295.5, 140.5}, {292, 146}, {288, 137.5}, {283.5, 140}, {280, 131},
    {275, 133.5}, {272, 124.5}, {267, 126}, {265, 117.5}, {260, 118.5}, {259, 110.5},
    {254.5, 111}, {255, 103}, {250.5, 102}};

// The polygon grown by `d` units outwards, with mitred corners held to at most 2·d.
std::vector<Vec> Grow(const std::vector<Vec>& poly, double d) {
  const std::size_t n = poly.size();
  const auto outward = [&](std::size_t from) {  // unit normal of the edge from `from` onwards
    const Vec e = poly[(from + 1) % n] - poly[from];
    const double len = std::sqrt(e.x * e.x + e.y * e.y);
    return Vec{e.y / len, -e.x / len};
  };
  std::vector<Vec> out;
  for (std::size_t i = 0; i < n; ++i) {
    const Vec a = outward((i + n - 1) % n), b = outward(i);
    Vec m = (a + b) * (d / (1 + a.x * b.x + a.y * b.y));
    const double len = std::sqrt(m.x * m.x + m.y * m.y);
    if (len > 2 * d) m = m * (2 * d / len);
    out.push_back(poly[i] + m);
  }
  return out;
}

// The ribbon: 156 × 24 units with swallow-tailed ends, centred at (172, 233), rising gently to
// the right (its slope is sin = 0.04).
constexpr Vec kRibbonCentre{172, 233};
constexpr double kRibbonSin = 0.04;
constexpr std::string_view kRibbonText = "TIME TO SWITCH OFF";

Vec OnRibbon(double along, double across) {
  const double c = std::sqrt(1 - kRibbonSin * kRibbonSin);
  return kRibbonCentre + Vec{c, -kRibbonSin} * along + Vec{kRibbonSin, c} * across;
}

// A 5 × 7 pixel font: the rows of each glyph, top first.
struct Glyph {
  char c;
  std::array<std::string_view, 7> rows;
};
constexpr Glyph kFont[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"}},
    {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'J', {"..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."}},
    {'K', {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'M', {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"}},
    {'N', {"#...#", "#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'P', {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."}},
    {'Q', {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'S', {".####", "#....", "#....", ".###.", "....#", "....#", "####."}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'U', {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'V', {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."}},
    {'W', {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#."}},
    {'X', {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"}},
    {'Y', {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."}},
    {'Z', {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"}},
    {'0', {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."}},
    {'1', {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'2', {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"}},
    {'3', {"#####", "...#.", "..#..", "...#.", "....#", "#...#", ".###."}},
    {'4', {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."}},
    {'5', {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."}},
    {'6', {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."}},
    {'7', {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."}},
    {'8', {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."}},
    {'9', {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."}},
    {'-', {".....", ".....", ".....", "#####", ".....", ".....", "....."}},
    {'.', {".....", ".....", ".....", ".....", ".....", ".##..", ".##.."}},
};

// One unit square a lit font pixel.
void Square(Scene& scene, double x, double y, Rgb colour) {
  scene.Polygon({{x, y}, {x + 1, y}, {x + 1, y + 1}, {x, y + 1}}, colour);
}

// The text along the ribbon: each glyph upright on whole units, following the ribbon's slope.
void RibbonText(Scene& scene) {
  constexpr double kAdvance = 6;
  const double width = kRibbonText.size() * kAdvance - 1;
  for (std::size_t i = 0; i < kRibbonText.size(); ++i) {
    const Glyph* glyph = nullptr;
    for (const Glyph& g : kFont)
      if (g.c == kRibbonText[i]) glyph = &g;
    if (glyph == nullptr) continue;  // a space
    const Vec origin = OnRibbon(-width / 2 + i * kAdvance, -0.5);
    const double x0 = std::floor(origin.x + 0.5), y0 = std::floor(origin.y + 0.5);
    for (int row = 0; row < 7; ++row)
      for (int col = 0; col < 5; ++col)
        if (glyph->rows[row][col] == '#') Square(scene, x0 + col, y0 + row, kRibbonInk);
  }
}

}  // namespace

Scene BackgroundScene() {
  Scene scene;
  // The ribbon first: the board hides its upper edge.
  std::vector<Vec> ribbon;
  for (const Vec& p : {Vec{-78, -12}, Vec{78, -12}, Vec{73, 0}, Vec{78, 12}, Vec{-78, 12},
                       Vec{-73, 0}})
    ribbon.push_back(OnRibbon(p.x, p.y));
  scene.Polygon(ribbon, kStripMagenta);
  RibbonText(scene);

  // Two strings, thin at their nails and thicker where they meet the board.
  for (double x : kStringX) {
    scene.Polygon({{x - 0.5, kNailY}, {x + 0.5, kNailY}, {x + 1.2, kBoardTop + 1},
                   {x - 1.2, kBoardTop + 1}},
                  kBlack);
    scene.Circle({x, kNailY}, 2.5, kBlack);
    scene.Circle({x - 0.7, kNailY - 0.7}, 0.9, kNailHighlight);
  }

  // The face: a lighter edge along the top and left and a darker one along the bottom and right,
  // as if slightly raised. The outline, painted last, hides where the light edge spills over.
  const std::vector<Vec> face = BoardPath(kBoardOutline);
  scene.Polygon(face, kBoardShade);
  scene.Polygon(Shifted(face, {-kBevel, -kBevel}), kBoardLight);
  scene.Polygon(BoardPath(kBoardOutline + kBevel), kBoardGreen);
  scene.Polygon(Ring(BoardPath(0), face), kBlack);

  scene.Polygon(Grow(kPatch, kRimWidth), kPatchRim);
  scene.Polygon(kPatch, kPatchNavy);
  return scene;
}

Pixels RenderBackground(int scale) {
  Pixels pixels = Render(BackgroundScene(), kBackgroundWidth * scale, kBackgroundHeight * scale,
                         scale, 4);
  MakeEdgesHard(pixels);
  return pixels;
}

}  // namespace orvane::art
