#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace orvane {

// The number a text begins with. Spaces, tabs and line feeds anywhere are dropped first; then an
// optional sign, digits, "." and digits, an exponent; or "&H" / "&O" and hexadecimal or octal
// digits. The rest is ignored; a text without a number reads as 0. Never fails: magnitudes
// beyond a double read as infinity, beyond 32 bits after &H / &O as their unsigned value.
double LeadingNumber(std::string_view text);

// Rounds half to even into a 16-bit integer; nullopt where the result does not fit.
std::optional<std::int16_t> RoundToInt16(double value);

}  // namespace orvane
