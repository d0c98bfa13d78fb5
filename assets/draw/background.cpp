// The background picture. Design units are the pixels of the 1x picture; everything is placed
// against the layout table of window/layout.h (the controls sit on the board between x 96 and 248,
// y 96 and 224; "Close" sits at 280..312, 224..240, on white).
#include <array>
#include <cmath>
#include <string_view>

#include "art.h"

namespace orvane::art {
namespace {

constexpr int kWidth = 504, kHeight = 360;
constexpr int kSamples = 5;

// Colours. The board green, the patch navy and the strip magenta come first.
constexpr Rgb kBoardGreen{8, 82, 41};
constexpr Rgb kNavy{8, 25, 33};
constexpr Rgb kMagenta{115, 16, 99};
constexpr Rgb kBlack{0, 0, 0};
constexpr Rgb kBoardBevel{22, 104, 58};
constexpr Rgb kChalk{132, 182, 146};
constexpr Rgb kRim{168, 188, 204};
constexpr Rgb kNavyEdge{4, 12, 18};
constexpr Rgb kMagentaEdge{70, 6, 60};
constexpr Rgb kStripText{36, 4, 32};
constexpr Rgb kNail{96, 98, 104};

// A 5 x 7 pixel font for the strip's one line; '#' marks an inked cell.
struct Glyph {
  char c;
  std::array<std::string_view, 7> rows;
};
constexpr std::array<Glyph, 16> kFont{{
    {'A', {" ### ", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"}},
    {'E', {"#####", "#    ", "#    ", "#### ", "#    ", "#    ", "#####"}},
    {'G', {" ### ", "#   #", "#    ", "# ###", "#   #", "#   #", " ####"}},
    {'H', {"#   #", "#   #", "#   #", "#####", "#   #", "#   #", "#   #"}},
    {'I', {" ### ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", " ### "}},
    {'L', {"#    ", "#    ", "#    ", "#    ", "#    ", "#    ", "#####"}},
    {'N', {"#   #", "##  #", "# # #", "#  ##", "#   #", "#   #", "#   #"}},
    {'O', {" ### ", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "}},
    {'R', {"#### ", "#   #", "#   #", "#### ", "# #  ", "#  # ", "#   #"}},
    {'S', {" ####", "#    ", "#    ", " ### ", "    #", "    #", "#### "}},
    {'T', {"#####", "  #  ", "  #  ", "  #  ", "  #  ", "  #  ", "  #  "}},
    {'U', {"#   #", "#   #", "#   #", "#   #", "#   #", "#   #", " ### "}},
    {'V', {"#   #", "#   #", "#   #", "#   #", "#   #", " # # ", "  #  "}},
    {'W', {"#   #", "#   #", "#   #", "# # #", "# # #", "## ##", "#   #"}},
    {'*', {"     ", "     ", "  #  ", " ### ", "  #  ", "     ", "     "}},
    {' ', {"     ", "     ", "     ", "     ", "     ", "     ", "     "}},
}};

// The strip's quadrilateral: a band tilted by about -1.7 degrees, hanging under the board.
constexpr std::array<Pt, 4> kStrip{{{93.2, 222.4}, {251.8, 217.6}, {252.3, 243.2}, {93.7, 248.4}}};

// The board's outline, clockwise, with the notch in the chamfered lower right corner.
Polygon BoardShape() {
  const std::array<Corner, 9> corners{{
      {{72.7, 101.3}, 9.0},
      {{295.6, 101.3}, 9.0},
      {{295.6, 195.4}, 3.0},
      {{287.1, 206.3}, 1.0},   // the notch: in ...
      {{278.6, 206.9}, 1.5},   // ... to its inner point ...
      {{281.3, 214.6}, 1.0},   // ... and out again
      {{273.2, 226.3}, 3.0},
      {{72.7, 226.3}, 9.0},
      {{72.7, 101.3}, 0.0},
  }};
  // The last corner repeats the first only to close the outline; drop it.
  return Rounded(std::span(corners).first(8));
}

// The torn navy patch over the board's upper right corner. The outer edges fray a little, the
// torn diagonal a lot; the seed keeps the tears the same on every run.
Polygon PatchShape() {
  const std::array<Pt, 5> base{{{253.6, 95.8}, {284.0, 89.6}, {305.4, 91.2}, {305.4, 153.5}, {289.5, 128.0}}};
  const std::array<double, 5> fray{0.9, 0.9, 0.6, 2.6, 2.8};
  const std::array<int, 5> pieces{8, 6, 14, 8, 10};
  Lcg rng(20261208);
  Polygon out;
  for (std::size_t e = 0; e < base.size(); ++e) {
    const Pt a = base[e], b = base[(e + 1) % base.size()];
    const double len = std::hypot(b.x - a.x, b.y - a.y);
    const Pt n{(b.y - a.y) / len, -(b.x - a.x) / len};
    for (int k = 0; k < pieces[e]; ++k) {
      const double t = static_cast<double>(k) / pieces[e];
      const double off = k == 0 ? 0 : fray[e] * rng.Next();
      Pt p{a.x + (b.x - a.x) * t + n.x * off, a.y + (b.y - a.y) * t + n.y * off};
      p.x = std::min(p.x, 305.9);  // the patch reaches x 305 and no further
      out.push_back(p);
    }
  }
  return out;
}

// One line of the pixel font, each glyph upright and snapped to the pixel grid, its baseline
// following the strip's tilt.
std::vector<Polygon> TextCells(std::string_view text, Pt start, double slope, double scale) {
  std::vector<Polygon> cells;
  double x = start.x;
  for (char c : text) {
    const Glyph* g = nullptr;
    for (const Glyph& f : kFont)
      if (f.c == c) g = &f;
    const double top = std::round((start.y + (x - start.x) * slope) * scale) / scale;
    for (int row = 0; row < 7; ++row)
      for (int col = 0; col < 5; ++col)
        if (g != nullptr && g->rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] == '#')
          cells.push_back(Rect(x + col, top + row, x + col + 1, top + row + 1));
    x += 6;
  }
  return cells;
}

// A chalk line of the given width through the points.
void Chalk(Canvas& cv, Ink ink, std::initializer_list<Pt> pts, double width) {
  std::vector<Polygon> parts;
  const Pt* prev = nullptr;
  for (const Pt& p : pts) {
    if (prev != nullptr) parts.push_back(Taper(*prev, p, width, width));
    prev = &p;
  }
  for (const Polygon& part : parts) cv.Fill(cv.Rasterize(part), ink);
  for (const Pt& p : pts) cv.Fill(cv.Rasterize(Circle(p, width / 2, 12)), ink);
}

}  // namespace

Image DrawBackground(double scale) {
  Canvas cv(kWidth, kHeight, scale, kSamples);
  const Ink black = cv.AddInk(kBlack), green = cv.AddInk(kBoardGreen), navy = cv.AddInk(kNavy),
            magenta = cv.AddInk(kMagenta), bevel = cv.AddInk(kBoardBevel), chalk = cv.AddInk(kChalk),
            rim = cv.AddInk(kRim), navyEdge = cv.AddInk(kNavyEdge),
            magentaEdge = cv.AddInk(kMagentaEdge), stripText = cv.AddInk(kStripText), nail = cv.AddInk(kNail);

  // The strings, tapering from the nails down to the board, slightly splayed.
  for (const auto& [top, bottom] : {std::pair<Pt, Pt>{{140.6, 5.0}, {135.4, 103.5}}, {{233.4, 5.0}, {238.6, 103.5}}}) {
    cv.Fill(cv.Rasterize(Taper(top, bottom, 1.15, 2.7)), black);
    const std::array<Band, 2> head{{{1.1, black}, {0, nail}}};
    cv.FillBands(cv.Rasterize(Circle({top.x, top.y - 0.6}, 3.4)), head);
  }

  // The strip first, so that the board hangs in front of its upper edge.
  const Polygon strip(kStrip.begin(), kStrip.end());
  const std::array<Band, 2> stripBands{{{1.1, magentaEdge}, {0, magenta}}};
  cv.FillBands(cv.Rasterize(strip), stripBands);
  const double slope = (kStrip[1].y - kStrip[0].y) / (kStrip[1].x - kStrip[0].x);
  const std::vector<Polygon> text = TextCells("ORVANE * LIGHTS OUT", {116.0, 234.0}, slope, scale);
  cv.Fill(cv.Rasterize(text), stripText);

  // The board: black outline, a thin lighter bevel, the green.
  const std::array<Band, 3> boardBands{{{1.6, black}, {1.2, bevel}, {0, green}}};
  cv.FillBands(cv.Rasterize(BoardShape()), boardBands);


  // Old chalk in the free parts of the board: a clock and tally marks on the left, an hourglass
  // on the right.
  const std::array<Polygon, 2> clockFace{Circle({84.6, 117.0}, 7.0, 40), Circle({84.6, 117.0}, 5.9, 40)};
  cv.Fill(cv.Rasterize(clockFace), chalk);
  Chalk(cv, chalk, {{84.6, 112.6}, {84.6, 117.0}, {87.8, 118.6}}, 1.0);
  constexpr double l = 258, r = 279, c = (l + r) / 2, top = 160, bot = 198, mid = (top + bot) / 2;
  Chalk(cv, chalk, {{l - 3, top}, {r + 3, top}}, 1.3);
  Chalk(cv, chalk, {{l - 3, bot}, {r + 3, bot}}, 1.3);
  Chalk(cv, chalk, {{l, top + 1}, {l, top + 5}, {c - 0.8, mid}, {l, bot - 5}, {l, bot - 1}}, 1.1);
  Chalk(cv, chalk, {{r, top + 1}, {r, top + 5}, {c + 0.8, mid}, {r, bot - 5}, {r, bot - 1}}, 1.1);
  Chalk(cv, chalk, {{l + 4.5, top + 8}, {r - 4.5, top + 8}}, 1.0);
  Chalk(cv, chalk, {{c, mid + 1}, {c, bot - 4}}, 0.9);
  Chalk(cv, chalk, {{l + 3, bot - 2.5}, {c, bot - 6}, {r - 3, bot - 2.5}}, 1.0);
  for (double x : {79.0, 83.0, 87.0, 91.0}) Chalk(cv, chalk, {{x, 193}, {x + 0.6, 207}}, 1.0);
  Chalk(cv, chalk, {{76.5, 204}, {94, 195.5}}, 1.0);

  // The torn patch: a dark edge, the light rim, the navy.
  const std::array<Band, 3> patchBands{{{1.25, navyEdge}, {1.2, rim}, {0, navy}}};
  cv.FillBands(cv.Rasterize(PatchShape()), patchBands);

  return cv.ResolveKeyed();
}

}  // namespace orvane::art
