#include "window/qt/skin_mask_qt.h"

#include <QFile>
#include <QList>
#include <QRect>
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstdint>

namespace orvane::qt {

QRegion OpaqueRegion(const QImage& source, QRgb key, qreal scale) {
  if (scale < 1) scale = 1;
  const QImage image = source.convertToFormat(QImage::Format_RGB32);
  const int width = static_cast<int>(image.width() / scale);
  const int height = static_cast<int>(image.height() / scale);
  const QRgb opaqueKey = key | 0xFF000000u;
  // The device pixels [first, last) that logical pixel i touches.
  const auto first = [scale](int i) { return static_cast<int>(std::floor(i * scale)); };
  const auto last = [scale](int i, int limit) {
    return std::min(limit, static_cast<int>(std::ceil((i + 1) * scale)));
  };

  // One band per row: the maximal runs of shape pixels, left to right. Runs of a row neither
  // touch nor overlap, which is what QRegion::setRects asks of its input.
  QList<QRect> rects;
  QList<bool> row(width);
  for (int y = 0; y < height; ++y) {
    row.fill(false);
    for (int dy = first(y); dy < last(y, image.height()); ++dy) {
      const auto* line = reinterpret_cast<const QRgb*>(image.constScanLine(dy));
      for (int x = 0; x < width; ++x) {
        for (int dx = first(x); dx < last(x, image.width()) && !row[x]; ++dx) {
          row[x] = (line[dx] | 0xFF000000u) != opaqueKey;
        }
      }
    }
    for (int x = 0; x < width;) {
      if (!row[x]) {
        ++x;
        continue;
      }
      const int start = x;
      while (x < width && row[x]) ++x;
      rects.append(QRect(start, y, x - start, 1));
    }
  }
  QRegion region;
  if (!rects.isEmpty()) region.setRects(rects.constData(), static_cast<int>(rects.size()));
  return region;
}

namespace {

std::uint32_t LittleEndian(const QByteArray& bytes, int offset, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) {
    value = (value << 8) | static_cast<std::uint8_t>(bytes[offset + i]);
  }
  return value;
}

}  // namespace

QImage LoadSkinPicture(const QString& path) {
  QImage image(path);
  if (image.isNull()) return image;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return image;
  const QByteArray header = file.read(66);
  if (header.size() < 34 || !header.startsWith("BM") || LittleEndian(header, 28, 2) != 16) {
    return image;
  }
  // Without bit fields a 16-bit bitmap is 5-5-5; with them, the masks follow the 40-byte header.
  std::array<int, 3> bits{5, 5, 5};
  if (LittleEndian(header, 30, 4) == 3 && header.size() >= 66) {
    for (int i = 0; i < 3; ++i) bits[i] = std::popcount(LittleEndian(header, 54 + 4 * i, 4));
  }
  std::array<std::array<std::uint8_t, 256>, 3> stretch{};
  for (int channel = 0; channel < 3; ++channel) {
    const int b = bits[channel];
    if (b <= 0 || b >= 8) {
      for (int c = 0; c < 256; ++c) stretch[channel][c] = static_cast<std::uint8_t>(c);
      continue;
    }
    const int max = (1 << b) - 1;
    for (int c = 0; c < 256; ++c) {
      const int v = std::min(c >> (8 - b), max);
      stretch[channel][c] = static_cast<std::uint8_t>((v * 255 + max / 2) / max);
    }
  }
  image = image.convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < image.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = line[x];
      line[x] = qRgb(stretch[0][qRed(p)], stretch[1][qGreen(p)], stretch[2][qBlue(p)]);
    }
  }
  return image;
}

}  // namespace orvane::qt
