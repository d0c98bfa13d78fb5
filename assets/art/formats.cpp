#include "assets/art/formats.h"

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <string_view>

namespace orvane::art {
namespace {

void Put16(Bytes& out, unsigned v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void Put32(Bytes& out, std::uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}
void Put32Be(Bytes& out, std::uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(v >> shift));
}

// BITMAPINFOHEADER without palette.
void PutInfoHeader(Bytes& out, int width, int height, int bits, std::uint32_t imageSize,
                   int pixelsPerMetre) {
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<unsigned>(bits));
  Put32(out, 0);  // BI_RGB
  Put32(out, imageSize);
  Put32(out, static_cast<std::uint32_t>(pixelsPerMetre));
  Put32(out, static_cast<std::uint32_t>(pixelsPerMetre));
  Put32(out, 0);
  Put32(out, 0);
}

// Deflate with the fixed Huffman codes and a greedy LZ77 search over a 32 KiB window.
class Deflater {
 public:
  Bytes Compress(std::span<const std::uint8_t> data) {
    Bits(1, 1);  // the last block
    Bits(1, 2);  // fixed codes
    const std::size_t n = data.size();
    std::vector<int> head(1 << 15, -1), prev(n, -1);
    const auto hash = [&](std::size_t i) {
      return ((data[i] << 10) ^ (data[i + 1] << 5) ^ data[i + 2]) & 0x7FFF;
    };
    const auto insert = [&](std::size_t i) {
      if (i + 2 >= n) return;
      const int h = hash(i);
      prev[i] = head[h];
      head[h] = static_cast<int>(i);
    };
    std::size_t i = 0;
    while (i < n) {
      std::size_t best = 0, bestDistance = 0;
      if (i + 2 < n) {
        const std::size_t limit = std::min<std::size_t>(258, n - i);
        int chain = 128;
        for (int c = head[hash(i)]; c >= 0 && i - c <= 32768 && chain-- > 0; c = prev[c]) {
          std::size_t len = 0;
          while (len < limit && data[c + len] == data[i + len]) ++len;
          if (len > best) best = len, bestDistance = i - c;
          if (len == limit) break;
        }
      }
      if (best >= 3) {
        Match(best, bestDistance);
        for (std::size_t k = 0; k < best; ++k) insert(i + k);
        i += best;
      } else {
        Symbol(data[i]);
        insert(i);
        ++i;
      }
    }
    Symbol(256);
    if (bitCount_ > 0) out_.push_back(static_cast<std::uint8_t>(bitBuffer_));
    return std::move(out_);
  }

 private:
  void Bits(std::uint32_t value, int count) {
    bitBuffer_ |= value << bitCount_;
    bitCount_ += count;
    while (bitCount_ >= 8) {
      out_.push_back(static_cast<std::uint8_t>(bitBuffer_));
      bitBuffer_ >>= 8;
      bitCount_ -= 8;
    }
  }
  // A Huffman code goes out with its first bit first.
  void Code(std::uint32_t code, int length) {
    std::uint32_t reversed = 0;
    for (int k = 0; k < length; ++k) reversed |= ((code >> k) & 1) << (length - 1 - k);
    Bits(reversed, length);
  }
  void Symbol(int s) {
    if (s < 144) Code(0x30 + s, 8);
    else if (s < 256) Code(0x190 + s - 144, 9);
    else if (s < 280) Code(s - 256, 7);
    else Code(0xC0 + s - 280, 8);
  }
  void Match(std::size_t length, std::size_t distance) {
    static constexpr int kLengthBase[29] = {3,  4,  5,  6,  7,  8,  9,  10, 11,  13,
                                            15, 17, 19, 23, 27, 31, 35, 43, 51,  59,
                                            67, 83, 99, 115, 131, 163, 195, 227, 258};
    static constexpr int kLengthExtra[29] = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                             2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
    static constexpr int kDistanceBase[30] = {1,    2,    3,    4,     5,     7,    9,    13,
                                              17,   25,   33,   49,    65,    97,   129,  193,
                                              257,  385,  513,  769,   1025,  1537, 2049, 3073,
                                              4097, 6145, 8193, 12289, 16385, 24577};
    static constexpr int kDistanceExtra[30] = {0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                               6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};
    int l = 28;
    while (kLengthBase[l] > static_cast<int>(length)) --l;
    Symbol(257 + l);
    Bits(static_cast<std::uint32_t>(length - kLengthBase[l]), kLengthExtra[l]);
    int d = 29;
    while (kDistanceBase[d] > static_cast<int>(distance)) --d;
    Code(static_cast<std::uint32_t>(d), 5);
    Bits(static_cast<std::uint32_t>(distance - kDistanceBase[d]), kDistanceExtra[d]);
  }

  Bytes out_;
  std::uint32_t bitBuffer_ = 0;
  int bitCount_ = 0;
};

std::uint32_t Crc32(std::span<const std::uint8_t> data) {
  static const auto table = [] {
    std::array<std::uint32_t, 256> t{};
    for (std::uint32_t n = 0; n < 256; ++n) {
      std::uint32_t c = n;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[n] = c;
    }
    return t;
  }();
  std::uint32_t c = 0xFFFFFFFFu;
  for (std::uint8_t b : data) c = table[(c ^ b) & 0xFF] ^ (c >> 8);
  return c ^ 0xFFFFFFFFu;
}

std::uint32_t Adler32(std::span<const std::uint8_t> data) {
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t v : data) {
    a = (a + v) % 65521;
    b = (b + a) % 65521;
  }
  return (b << 16) | a;
}

void PutChunk(Bytes& out, std::string_view type, const Bytes& body) {
  Put32Be(out, static_cast<std::uint32_t>(body.size()));
  Bytes typed(type.begin(), type.end());
  typed.insert(typed.end(), body.begin(), body.end());
  out.insert(out.end(), typed.begin(), typed.end());
  Put32Be(out, Crc32(typed));
}

std::uint8_t Paeth(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  return static_cast<std::uint8_t>(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Each row with the filter whose output has the smallest sum of magnitudes, as libpng chooses.
Bytes FilterRows(const Bytes& raw, std::size_t stride, std::size_t rows) {
  Bytes out;
  Bytes zero(stride, 0), candidate(stride);
  for (std::size_t y = 0; y < rows; ++y) {
    const std::uint8_t* cur = &raw[y * stride];
    const std::uint8_t* up = y > 0 ? &raw[(y - 1) * stride] : zero.data();
    Bytes best;
    long bestCost = -1;
    for (int filter = 0; filter < 5; ++filter) {
      long cost = 0;
      for (std::size_t x = 0; x < stride; ++x) {
        const int a = x >= 4 ? cur[x - 4] : 0, b = up[x], c = x >= 4 ? up[x - 4] : 0;
        const int predicted = filter == 0   ? 0
                              : filter == 1 ? a
                              : filter == 2 ? b
                              : filter == 3 ? (a + b) / 2
                                            : Paeth(a, b, c);
        candidate[x] = static_cast<std::uint8_t>(cur[x] - predicted);
        cost += std::abs(static_cast<std::int8_t>(candidate[x]));
      }
      if (bestCost < 0 || cost < bestCost) {
        bestCost = cost;
        best.assign(1, static_cast<std::uint8_t>(filter));
        best.insert(best.end(), candidate.begin(), candidate.end());
      }
    }
    out.insert(out.end(), best.begin(), best.end());
  }
  return out;
}

}  // namespace

Bytes EncodeBmp555(const Pixels& pixels) {
  const std::uint32_t stride = (static_cast<std::uint32_t>(pixels.width) * 2 + 3) & ~3u;
  const std::uint32_t imageSize = stride * static_cast<std::uint32_t>(pixels.height);
  Bytes out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, 14 + 40 + imageSize + 2);
  Put32(out, 0);
  Put32(out, 14 + 40);
  PutInfoHeader(out, pixels.width, pixels.height, 16, imageSize, 3780);  // 96 dots per inch
  for (int y = pixels.height - 1; y >= 0; --y) {
    for (int x = 0; x < pixels.width; ++x) {
      const Rgb c = pixels.at(x, y);
      Put16(out, static_cast<unsigned>((To5(c.r) << 10) | (To5(c.g) << 5) | To5(c.b)));
    }
    out.resize(out.size() + (stride - static_cast<std::uint32_t>(pixels.width) * 2), 0);
  }
  Put16(out, 0);
  return out;
}

Bytes EncodeIco(std::span<const Pixels* const> images) {
  Bytes out;
  Put16(out, 0);
  Put16(out, 1);  // icon
  Put16(out, static_cast<unsigned>(images.size()));
  std::vector<Bytes> bodies;
  for (const Pixels* image : images) {
    const int n = image->width;
    const std::uint32_t xorStride = ((static_cast<std::uint32_t>(n) * 4 + 31) / 32) * 4;
    const std::uint32_t andStride = ((static_cast<std::uint32_t>(n) + 31) / 32) * 4;
    Bytes body;
    PutInfoHeader(body, n, 2 * n, 4, (xorStride + andStride) * static_cast<std::uint32_t>(n), 0);
    for (const Rgb& c : kVgaPalette) {
      body.push_back(c.b);
      body.push_back(c.g);
      body.push_back(c.r);
      body.push_back(0);
    }
    Bytes xorBits(xorStride * n, 0), andBits(andStride * n, 0);
    for (int y = 0; y < n; ++y) {
      const std::size_t row = static_cast<std::size_t>(n - 1 - y);
      for (int x = 0; x < n; ++x) {
        if (image->coverage(x, y) == 0) {
          andBits[row * andStride + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
          continue;
        }
        const auto it = std::find(kVgaPalette.begin(), kVgaPalette.end(), image->at(x, y));
        if (it == kVgaPalette.end()) throw std::runtime_error("icon colour outside the palette");
        const int index = static_cast<int>(it - kVgaPalette.begin());
        xorBits[row * xorStride + x / 2] |= static_cast<std::uint8_t>(x % 2 ? index : index << 4);
      }
    }
    body.insert(body.end(), xorBits.begin(), xorBits.end());
    body.insert(body.end(), andBits.begin(), andBits.end());
    bodies.push_back(std::move(body));
  }
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
  for (std::size_t k = 0; k < images.size(); ++k) {
    const int n = images[k]->width;
    out.push_back(static_cast<std::uint8_t>(n == 256 ? 0 : n));
    out.push_back(static_cast<std::uint8_t>(n == 256 ? 0 : n));
    out.push_back(16);  // colours
    out.push_back(0);
    Put16(out, 1);  // planes
    Put16(out, 4);  // bits a pixel
    Put32(out, static_cast<std::uint32_t>(bodies[k].size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(bodies[k].size());
  }
  for (const Bytes& body : bodies) out.insert(out.end(), body.begin(), body.end());
  return out;
}

Bytes EncodePng(const Pixels& pixels) {
  const std::size_t stride = static_cast<std::size_t>(pixels.width) * 4;
  Bytes raw;
  raw.reserve(stride * pixels.height);
  for (int y = 0; y < pixels.height; ++y) {
    for (int x = 0; x < pixels.width; ++x) {
      const int covered = pixels.coverage(x, y);
      const auto alpha = static_cast<std::uint8_t>((covered * 255 + pixels.samples / 2) / pixels.samples);
      const Rgb c = alpha ? pixels.at(x, y) : Rgb{0, 0, 0};
      raw.insert(raw.end(), {c.r, c.g, c.b, alpha});
    }
  }
  const Bytes filtered = FilterRows(raw, stride, static_cast<std::size_t>(pixels.height));
  Bytes zlib{0x78, 0x01};
  const Bytes deflated = Deflater().Compress(filtered);
  zlib.insert(zlib.end(), deflated.begin(), deflated.end());
  Put32Be(zlib, Adler32(filtered));

  Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes header;
  Put32Be(header, static_cast<std::uint32_t>(pixels.width));
  Put32Be(header, static_cast<std::uint32_t>(pixels.height));
  header.insert(header.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, adaptive, no interlace
  PutChunk(out, "IHDR", header);
  PutChunk(out, "IDAT", zlib);
  PutChunk(out, "IEND", {});
  return out;
}

}  // namespace orvane::art
