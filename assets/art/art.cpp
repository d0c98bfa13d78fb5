#include "assets/art/art.h"

#include <algorithm>

namespace orvane::art {
namespace {

constexpr Rgb kBackdrop{40, 44, 52};

// `image` laid over the backdrop by its coverage, into `canvas` at (left, top).
void Compose(Pixels& canvas, const Pixels& image, int left, int top) {
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const int a = image.coverage(x, y), n = image.samples;
      const auto mix = [a, n](int front, int back) {
        return static_cast<std::uint8_t>((front * a + back * (n - a) + n / 2) / n);
      };
      Rgb& out = canvas.at(left + x, top + y);
      const Rgb in = image.at(x, y);
      out = {mix(in.r, out.r), mix(in.g, out.g), mix(in.b, out.b)};
    }
  }
}

Pixels Canvas(int width, int height) {
  Pixels p;
  p.width = width, p.height = height, p.samples = 1;
  p.colour.assign(static_cast<std::size_t>(width) * height, kBackdrop);
  p.covered.assign(p.colour.size(), 1);
  return p;
}

// The window's client area of the 2× background as a person sees it: the white keyed out over a
// dark backdrop, every colour as the 5-bit bitmap holds it.
Pixels BackgroundPreview(const Pixels& background2x) {
  constexpr int kClientWidth = 335 * 2, kClientHeight = 265 * 2;
  Pixels out = Canvas(kClientWidth, kClientHeight);
  for (int y = 0; y < kClientHeight; ++y) {
    for (int x = 0; x < kClientWidth; ++x) {
      const Rgb c = background2x.at(x, y);
      if (c == kWhite) continue;
      out.at(x, y) = {static_cast<std::uint8_t>(From5(To5(c.r))),
                      static_cast<std::uint8_t>(From5(To5(c.g))),
                      static_cast<std::uint8_t>(From5(To5(c.b)))};
    }
  }
  return out;
}

// The icon at every size up to 128, side by side and bottom-aligned on the backdrop.
Pixels IconPreview(const std::vector<Pixels>& icons) {
  constexpr int kGap = 16, kTallest = 128;
  int width = kGap;
  for (const Pixels& icon : icons)
    if (icon.width <= kTallest) width += icon.width + kGap;
  Pixels out = Canvas(width, kTallest + 2 * kGap);
  int left = kGap;
  for (const Pixels& icon : icons) {
    if (icon.width > kTallest) continue;
    Compose(out, icon, left, kGap + kTallest - icon.height);
    left += icon.width + kGap;
  }
  return out;
}

}  // namespace

std::vector<GeneratedFile> GenerateAll() {
  std::vector<GeneratedFile> files;
  const Pixels background = RenderBackground(1), background2x = RenderBackground(2);
  files.push_back({"background.bmp", EncodeBmp555(background)});
  files.push_back({"background@2x.bmp", EncodeBmp555(background2x)});

  std::vector<Pixels> icons;
  for (int size : kIconSizes) icons.push_back(RenderIcon(size));
  const auto sized = [&icons](int size) {
    return &*std::find_if(icons.begin(), icons.end(), [size](const Pixels& p) { return p.width == size; });
  };
  const Pixels* icoImages[] = {sized(32), sized(16)};
  files.push_back({"orvane.ico", EncodeIco(icoImages)});
  for (const Pixels& icon : icons)
    files.push_back({"png/orvane-" + std::to_string(icon.width) + ".png", EncodePng(icon)});

  files.push_back({"preview/background.png", EncodePng(BackgroundPreview(background2x))});
  files.push_back({"preview/icon.png", EncodePng(IconPreview(icons))});
  return files;
}

}  // namespace orvane::art
