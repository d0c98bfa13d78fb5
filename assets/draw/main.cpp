// orvane-draw OUTDIR: draws the background picture and the icon and writes every shipped file
// (and the previews that docs/maintainers.md shows) under OUTDIR, the same bytes on every run.
// assets/regenerate runs it with OUTDIR = assets/.
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>

#include "art.h"
#include "codecs.h"

namespace fs = std::filesystem;
using namespace orvane::art;

namespace {

constexpr std::array kPngSizes{16, 22, 24, 32, 48, 64, 128, 256};
constexpr std::array kBetweenScales{"1.25", "1.5", "1.75"};
constexpr Rgba kBackdrop{38, 41, 46, 255};

void Write(const fs::path& path, const Bytes& bytes) {
  fs::create_directories(path.parent_path());
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// Copies `src` onto `dst` at (x, y), enlarged `zoom` times, blending by alpha.
void Blit(Image& dst, const Image& src, int x, int y, int zoom) {
  for (int sy = 0; sy < src.height * zoom; ++sy)
    for (int sx = 0; sx < src.width * zoom; ++sx) {
      const Rgba s = src.at(sx / zoom, sy / zoom);
      Rgba& d = dst.at(x + sx, y + sy);
      auto mix = [&](std::uint8_t a, std::uint8_t b) { return static_cast<std::uint8_t>((a * s.a + b * (255 - s.a) + 127) / 255); };
      d = {mix(s.r, d.r), mix(s.g, d.g), mix(s.b, d.b), 255};
    }
}

// The client area of the window (at 2x), white keyed out onto a dark backdrop.
Image KeyedPreview(const Image& bg2x) {
  Image out(335 * 2, 265 * 2, kBackdrop);
  for (int y = 0; y < out.height; ++y)
    for (int x = 0; x < out.width; ++x) {
      const Rgba p = bg2x.at(x, y);
      if (p.r != 255 || p.g != 255 || p.b != 255) out.at(x, y) = p;
    }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: orvane-draw OUTDIR\n";
    return 2;
  }
  try {
    const fs::path dir = argv[1];
    const Image bg1 = DrawBackground(1), bg2 = DrawBackground(2);
    Write(dir / "background.bmp", EncodeBmp555(bg1));
    Write(dir / "background@2x.bmp", EncodeBmp555(bg2));
    Write(dir / "win32" / "background-rle8.bmp", EncodeBmpRle8Of555(bg1));
    Write(dir / "win32" / "background@2x-rle8.bmp", EncodeBmpRle8Of555(bg2));
    // Screens between 1x and 2x get a picture drawn at their own scale: scaling another one
    // would make the thin strings jagged, or blend the edges toward the white key.
    for (const char* scale : kBetweenScales) {
      Write(dir / "win32" / ("background@" + std::string(scale) + "x-rle8.bmp"),
            EncodeBmpRle8Of555(DrawBackground(std::stod(scale))));
    }

    const std::array<Image, 2> ico{DrawIcon(32, true), DrawIcon(16, true)};
    Write(dir / "orvane.ico", EncodeIco(ico));
    for (int n : kPngSizes) {
      const Image im = n == 32 ? ico[0] : n == 16 ? ico[1] : DrawIcon(n, false);
      Write(dir / "png" / ("orvane-" + std::to_string(n) + ".png"), EncodePng(im));
    }

    Write(dir / "preview" / "background-on-dark.png", EncodePng(KeyedPreview(bg2)));
    Image icons(16 + 256 + 24 + 128 + 24 + 128 + 16, 16 + 256 + 16, kBackdrop);
    Blit(icons, ico[0], 16, 16, 8);
    Blit(icons, ico[1], 16 + 256 + 24, 16 + 64, 8);
    Blit(icons, DrawIcon(128, false), 16 + 256 + 24 + 128 + 24, 16 + 64, 1);
    Write(dir / "preview" / "icon.png", EncodePng(icons));
  } catch (const std::exception& e) {
    std::cerr << "orvane-draw: " << e.what() << "\n";
    return 1;
  }
  return 0;
}
