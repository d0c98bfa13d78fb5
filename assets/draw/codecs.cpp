#include "codecs.h"

#include <algorithm>
#include <array>
#include <cstdlib>
#include <stdexcept>

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
  for (int s = 24; s >= 0; s -= 8) out.push_back(static_cast<std::uint8_t>(v >> s));
}

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;

void PutInfoHeader(Bytes& out, int width, int height, int bits, std::uint32_t imageSize, unsigned colours,
                   std::uint32_t compression = kBiRgb) {
  Put32(out, 40);
  Put32(out, static_cast<std::uint32_t>(width));
  Put32(out, static_cast<std::uint32_t>(height));
  Put16(out, 1);
  Put16(out, static_cast<unsigned>(bits));
  Put32(out, compression);
  Put32(out, imageSize);
  Put32(out, 2835);  // 72 dpi, as paint programs write it
  Put32(out, 2835);
  Put32(out, colours);
  Put32(out, 0);
}

constexpr std::array<Rgb, 16> kVga{{{0, 0, 0},
                                    {128, 0, 0},
                                    {0, 128, 0},
                                    {128, 128, 0},
                                    {0, 0, 128},
                                    {128, 0, 128},
                                    {0, 128, 128},
                                    {192, 192, 192},
                                    {128, 128, 128},
                                    {255, 0, 0},
                                    {0, 255, 0},
                                    {255, 255, 0},
                                    {0, 0, 255},
                                    {255, 0, 255},
                                    {0, 255, 255},
                                    {255, 255, 255}}};

// ---- deflate (RFC 1951), one block with the fixed Huffman codes ----

class BitWriter {
 public:
  explicit BitWriter(Bytes& out) : out_(out) {}
  void Bits(std::uint32_t value, int count) {  // least significant bit first
    for (int i = 0; i < count; ++i) Bit((value >> i) & 1);
  }
  void Code(std::uint32_t code, int length) {  // Huffman codes go most significant bit first
    for (int i = length - 1; i >= 0; --i) Bit((code >> i) & 1);
  }
  void Flush() {
    if (used_ > 0) out_.push_back(acc_);
    acc_ = 0, used_ = 0;
  }

 private:
  void Bit(std::uint32_t b) {
    acc_ = static_cast<std::uint8_t>(acc_ | (b << used_));
    if (++used_ == 8) Flush();
  }
  Bytes& out_;
  std::uint8_t acc_ = 0;
  int used_ = 0;
};

void Literal(BitWriter& w, unsigned sym) {
  if (sym < 144) w.Code(0x30 + sym, 8);
  else if (sym < 256) w.Code(0x190 + sym - 144, 9);
  else if (sym < 280) w.Code(sym - 256, 7);
  else w.Code(0xC0 + sym - 280, 8);
}

constexpr std::array<int, 29> kLenBase{3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23, 27,
                                       31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258};
constexpr std::array<int, 29> kLenExtra{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                        2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 30> kDistBase{1,   2,   3,   4,   5,   7,    9,    13,   17,   25,   33,   49,   65,    97,    129,
                                        193, 257, 385, 513, 769, 1025, 1537, 2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577};
constexpr std::array<int, 30> kDistExtra{0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                         6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

void Match(BitWriter& w, int length, int distance) {
  int l = 28;
  while (kLenBase[static_cast<std::size_t>(l)] > length) --l;
  Literal(w, static_cast<unsigned>(257 + l));
  w.Bits(static_cast<std::uint32_t>(length - kLenBase[static_cast<std::size_t>(l)]), kLenExtra[static_cast<std::size_t>(l)]);
  int d = 29;
  while (kDistBase[static_cast<std::size_t>(d)] > distance) --d;
  w.Code(static_cast<std::uint32_t>(d), 5);
  w.Bits(static_cast<std::uint32_t>(distance - kDistBase[static_cast<std::size_t>(d)]), kDistExtra[static_cast<std::size_t>(d)]);
}

// zlib stream: greedy LZ77 over a 32 KiB window with hash chains, then the fixed codes.
Bytes Zlib(const Bytes& data) {
  Bytes out{0x78, 0x9C};
  BitWriter w(out);
  w.Bits(1, 1);  // final block
  w.Bits(1, 2);  // fixed Huffman codes
  constexpr int kWindow = 32768, kHashSize = 1 << 15, kMaxChain = 128, kMaxLen = 258;
  std::vector<int> head(kHashSize, -1), prev(data.size(), -1);
  const int n = static_cast<int>(data.size());
  auto hash = [&](int i) {
    return ((data[static_cast<std::size_t>(i)] << 10) ^ (data[static_cast<std::size_t>(i) + 1] << 5) ^ data[static_cast<std::size_t>(i) + 2]) &
           (kHashSize - 1);
  };
  auto insert = [&](int i) {
    if (i + 2 >= n) return;
    const int h = hash(i);
    prev[static_cast<std::size_t>(i)] = head[static_cast<std::size_t>(h)];
    head[static_cast<std::size_t>(h)] = i;
  };
  int i = 0;
  while (i < n) {
    int bestLen = 0, bestDist = 0;
    if (i + 2 < n) {
      int cand = head[static_cast<std::size_t>(hash(i))];
      for (int chain = 0; cand >= 0 && i - cand <= kWindow && chain < kMaxChain; ++chain) {
        int len = 0;
        const int limit = std::min(kMaxLen, n - i);
        while (len < limit && data[static_cast<std::size_t>(cand + len)] == data[static_cast<std::size_t>(i + len)]) ++len;
        if (len > bestLen) bestLen = len, bestDist = i - cand;
        if (len == limit) break;
        cand = prev[static_cast<std::size_t>(cand)];
      }
    }
    if (bestLen >= 3) {
      Match(w, bestLen, bestDist);
      for (int k = 0; k < bestLen; ++k) insert(i + k);
      i += bestLen;
    } else {
      Literal(w, data[static_cast<std::size_t>(i)]);
      insert(i);
      ++i;
    }
  }
  Literal(w, 256);
  w.Flush();
  std::uint32_t a = 1, b = 0;
  for (std::uint8_t c : data) a = (a + c) % 65521, b = (b + a) % 65521;
  Put32Be(out, (b << 16) | a);
  return out;
}

std::uint32_t Crc32(const std::uint8_t* p, std::size_t n, std::uint32_t crc = 0) {
  crc = ~crc;
  for (std::size_t i = 0; i < n; ++i) {
    crc ^= p[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void Chunk(Bytes& out, const char* type, const Bytes& body) {
  Put32Be(out, static_cast<std::uint32_t>(body.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), type, type + 4);
  out.insert(out.end(), body.begin(), body.end());
  Put32Be(out, Crc32(&out[start], out.size() - start));
}

int Paeth(int a, int b, int c) {
  const int p = a + b - c, pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

}  // namespace

Bytes EncodeBmp555(const Image& image) {
  const std::uint32_t stride = (static_cast<std::uint32_t>(image.width) * 2 + 3) & ~3u;
  const std::uint32_t pixels = stride * static_cast<std::uint32_t>(image.height);
  const std::uint32_t size = (54 + pixels + 3) & ~3u;
  Bytes out;
  out.reserve(size);
  out.push_back('B'), out.push_back('M');
  Put32(out, size);
  Put32(out, 0);
  Put32(out, 54);
  PutInfoHeader(out, image.width, image.height, 16, pixels, 0);
  for (int y = image.height - 1; y >= 0; --y) {
    const std::size_t rowStart = out.size();
    for (int x = 0; x < image.width; ++x) {
      const Rgba& p = image.at(x, y);
      Put16(out, static_cast<unsigned>(To5(p.r) << 10 | To5(p.g) << 5 | To5(p.b)));
    }
    out.resize(rowStart + stride, 0);
  }
  out.resize(size, 0);
  return out;
}

Bytes EncodeBmpRle8Of555(const Image& image) {
  // The picture's colours as the 16-bit file holds them, in a fixed order.
  const auto pixel555 = [&](int x, int y) {
    const Rgba& p = image.at(x, y);
    return static_cast<std::uint16_t>(To5(p.r) << 10 | To5(p.g) << 5 | To5(p.b));
  };
  std::vector<std::uint16_t> palette;
  for (int y = 0; y < image.height; ++y)
    for (int x = 0; x < image.width; ++x) palette.push_back(pixel555(x, y));
  std::sort(palette.begin(), palette.end());
  palette.erase(std::unique(palette.begin(), palette.end()), palette.end());
  if (palette.size() > 256) throw std::runtime_error("more than 256 colours: no 8-bit rendition");
  const auto indexOf = [&](std::uint16_t c) {
    return static_cast<std::uint8_t>(std::lower_bound(palette.begin(), palette.end(), c) - palette.begin());
  };

  // Encoded runs only; every row ends with an end-of-line, the last with end-of-bitmap.
  Bytes runs;
  for (int y = image.height - 1; y >= 0; --y) {
    for (int x = 0; x < image.width;) {
      const std::uint16_t c = pixel555(x, y);
      int n = 1;
      while (x + n < image.width && n < 255 && pixel555(x + n, y) == c) ++n;
      runs.push_back(static_cast<std::uint8_t>(n));
      runs.push_back(indexOf(c));
      x += n;
    }
    runs.push_back(0);
    runs.push_back(y == 0 ? 1 : 0);
  }

  const auto colours = static_cast<std::uint32_t>(palette.size());
  const std::uint32_t offset = 54 + 4 * colours;
  Bytes out;
  out.push_back('B'), out.push_back('M');
  Put32(out, offset + static_cast<std::uint32_t>(runs.size()));
  Put32(out, 0);
  Put32(out, offset);
  PutInfoHeader(out, image.width, image.height, 8, static_cast<std::uint32_t>(runs.size()), colours, kBiRle8);
  for (std::uint16_t c : palette) {
    out.insert(out.end(), {Widen5(c & 31), Widen5((c >> 5) & 31), Widen5(c >> 10), 0});
  }
  out.insert(out.end(), runs.begin(), runs.end());
  return out;
}

std::span<const Rgb, 16> IconPalette() { return kVga; }

Bytes EncodeIco(std::span<const Image> images) {
  std::vector<Bytes> bodies;
  for (const Image& im : images) {
    const std::uint32_t xorStride = ((static_cast<std::uint32_t>(im.width) * 4 + 31) / 32) * 4;
    const std::uint32_t andStride = ((static_cast<std::uint32_t>(im.width) + 31) / 32) * 4;
    Bytes b;
    PutInfoHeader(b, im.width, im.height * 2, 4, (xorStride + andStride) * static_cast<std::uint32_t>(im.height), 0);
    for (const Rgb& c : kVga) b.insert(b.end(), {c.b, c.g, c.r, 0});
    for (int y = im.height - 1; y >= 0; --y) {
      Bytes row(xorStride, 0);
      for (int x = 0; x < im.width; ++x) {
        const Rgba& p = im.at(x, y);
        if (p.a == 0) continue;
        const auto it = std::find(kVga.begin(), kVga.end(), Rgb{p.r, p.g, p.b});
        if (it == kVga.end()) throw std::invalid_argument("icon pixel outside the 16-colour palette");
        const auto index = static_cast<std::uint8_t>(it - kVga.begin());
        row[static_cast<std::size_t>(x / 2)] |= static_cast<std::uint8_t>(x % 2 == 0 ? index << 4 : index);
      }
      b.insert(b.end(), row.begin(), row.end());
    }
    for (int y = im.height - 1; y >= 0; --y) {
      Bytes row(andStride, 0);
      for (int x = 0; x < im.width; ++x)
        if (im.at(x, y).a == 0) row[static_cast<std::size_t>(x / 8)] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
      b.insert(b.end(), row.begin(), row.end());
    }
    bodies.push_back(std::move(b));
  }
  Bytes out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, static_cast<unsigned>(images.size()));
  std::uint32_t offset = 6 + 16 * static_cast<std::uint32_t>(images.size());
  for (std::size_t i = 0; i < images.size(); ++i) {
    out.push_back(static_cast<std::uint8_t>(images[i].width));
    out.push_back(static_cast<std::uint8_t>(images[i].height));
    out.push_back(16);  // colours
    out.push_back(0);
    Put16(out, 1);  // planes
    Put16(out, 4);  // bits per pixel
    Put32(out, static_cast<std::uint32_t>(bodies[i].size()));
    Put32(out, offset);
    offset += static_cast<std::uint32_t>(bodies[i].size());
  }
  for (const Bytes& b : bodies) out.insert(out.end(), b.begin(), b.end());
  return out;
}

Bytes EncodePng(const Image& image) {
  // Per row, the filter with the smallest sum of absolute differences (the usual heuristic).
  const int bpp = 4, stride = image.width * bpp;
  Bytes raw;
  std::vector<std::uint8_t> prior(static_cast<std::size_t>(stride), 0), cur(static_cast<std::size_t>(stride));
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const Rgba& p = image.at(x, y);
      const std::size_t o = static_cast<std::size_t>(x) * bpp;
      cur[o] = p.r, cur[o + 1] = p.g, cur[o + 2] = p.b, cur[o + 3] = p.a;
    }
    std::array<Bytes, 5> rows;
    int best = 0;
    long bestCost = -1;
    for (int f = 0; f < 5; ++f) {
      Bytes& r = rows[static_cast<std::size_t>(f)];
      r.resize(static_cast<std::size_t>(stride));
      long cost = 0;
      for (int i = 0; i < stride; ++i) {
        const int a = i >= bpp ? cur[static_cast<std::size_t>(i - bpp)] : 0;
        const int b = prior[static_cast<std::size_t>(i)];
        const int c = i >= bpp ? prior[static_cast<std::size_t>(i - bpp)] : 0;
        const int pred = f == 0 ? 0 : f == 1 ? a : f == 2 ? b : f == 3 ? (a + b) / 2 : Paeth(a, b, c);
        const auto v = static_cast<std::uint8_t>(cur[static_cast<std::size_t>(i)] - pred);
        r[static_cast<std::size_t>(i)] = v;
        cost += v < 128 ? v : 256 - v;
      }
      if (bestCost < 0 || cost < bestCost) bestCost = cost, best = f;
    }
    raw.push_back(static_cast<std::uint8_t>(best));
    raw.insert(raw.end(), rows[static_cast<std::size_t>(best)].begin(), rows[static_cast<std::size_t>(best)].end());
    std::swap(prior, cur);
  }
  Bytes out{0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  Bytes ihdr;
  Put32Be(ihdr, static_cast<std::uint32_t>(image.width));
  Put32Be(ihdr, static_cast<std::uint32_t>(image.height));
  ihdr.insert(ihdr.end(), {8, 6, 0, 0, 0});  // 8 bits, RGBA, deflate, adaptive filters, no interlace
  Chunk(out, "IHDR", ihdr);
  Chunk(out, "IDAT", Zlib(raw));
  Chunk(out, "IEND", {});
  return out;
}

}  // namespace orvane::art
