#include "countdown/leading_number.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

namespace orvane {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (IsDigit(c)) return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// "&H..." or "&O...": the digits after the prefix, as a 16-bit two's-complement number when
// they fit 16 bits, as a 32-bit one when they fit 32, and as their unsigned value beyond that.
double ReadRadixInteger(std::string_view digits, int radix) {
  double big = 0;        // the whole value, for texts beyond 32 bits
  std::uint64_t v = 0;   // exact while it fits 32 bits
  bool wide = false;
  for (char c : digits) {
    const int d = HexValue(c);
    if (d < 0 || d >= radix) break;
    big = big * radix + d;
    if (!wide) {
      v = v * radix + static_cast<std::uint64_t>(d);
      wide = v > 0xFFFFFFFFu;
    }
  }
  if (wide) return big;
  if (v <= 0xFFFF) return static_cast<std::int16_t>(static_cast<std::uint16_t>(v));
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(v));
}

// The extent of a decimal number at the start of s: sign, digits, "." digits, exponent.
struct DecimalExtent {
  std::size_t end = 0;         // one past the last character that belongs to the number
  bool hasDigits = false;
  bool negative = false;
};

DecimalExtent ScanDecimal(std::string_view s) {
  DecimalExtent e;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) {
    e.negative = s[i] == '-';
    ++i;
  }
  while (i < s.size() && IsDigit(s[i])) ++i, e.hasDigits = true;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, e.hasDigits = true;
  }
  if (!e.hasDigits) return e;
  e.end = i;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    std::size_t j = i + 1;
    if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
    if (j < s.size() && IsDigit(s[j])) {
      while (j < s.size() && IsDigit(s[j])) ++j;
      e.end = j;  // an exponent counts only with its digits
    }
  }
  return e;
}

// from_chars leaves the value alone when it lies beyond a double: tell overflow from underflow
// by where the first significant digit sits, shifted by the exponent.
double OutOfRange(std::string_view number, bool negative) {
  std::size_t i = (number[0] == '+' || number[0] == '-') ? 1 : 0;
  long long magnitude = 0;  // decimal position of the first non-zero digit
  bool seenPoint = false;
  bool found = false;
  long long beforePoint = 0;
  for (; i < number.size() && number[i] != 'e' && number[i] != 'E'; ++i) {
    const char c = number[i];
    if (c == '.') {
      seenPoint = true;
      continue;
    }
    if (!found && c != '0') {
      found = true;
      magnitude = seenPoint ? -beforePoint : 0;
    }
    if (found && !seenPoint) ++magnitude;
    if (!found && seenPoint) ++beforePoint;
  }
  long long exponent = 0;
  if (i < number.size()) {
    ++i;
    bool negExp = false;
    if (i < number.size() && (number[i] == '+' || number[i] == '-')) negExp = number[i++] == '-';
    for (; i < number.size(); ++i) exponent = std::min(exponent * 10 + (number[i] - '0'), 1LL << 40);
    if (negExp) exponent = -exponent;
  }
  const bool overflow = found && magnitude + exponent > 0;
  const double v = overflow ? std::numeric_limits<double>::infinity() : 0.0;
  return negative ? -v : v;
}

}  // namespace

double LeadingNumber(std::string_view text) {
  std::string s;
  s.reserve(text.size());
  std::copy_if(text.begin(), text.end(), std::back_inserter(s),
               [](char c) { return c != ' ' && c != '\t' && c != '\n'; });

  if (s.size() >= 2 && s[0] == '&') {
    if (s[1] == 'H' || s[1] == 'h') return ReadRadixInteger(std::string_view(s).substr(2), 16);
    if (s[1] == 'O' || s[1] == 'o') return ReadRadixInteger(std::string_view(s).substr(2), 8);
  }

  const DecimalExtent e = ScanDecimal(s);
  if (!e.hasDigits) return 0.0;
  std::string_view number(s.data(), e.end);
  const std::string_view unsigned_part = (number[0] == '+' || number[0] == '-') ? number.substr(1) : number;
  double value = 0;
  const auto r = std::from_chars(unsigned_part.data(), unsigned_part.data() + unsigned_part.size(),
                                 value, std::chars_format::general);
  if (r.ec == std::errc::result_out_of_range) return OutOfRange(number, e.negative);
  return e.negative ? -value : value;
}

std::optional<std::int16_t> RoundToInt16(double value) {
  if (!std::isfinite(value)) return std::nullopt;
  const double r = std::nearbyint(value);  // the default rounding mode: half to even
  if (r < -32768.0 || r > 32767.0) return std::nullopt;
  return static_cast<std::int16_t>(r);
}

}  // namespace orvane
