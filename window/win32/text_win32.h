// UTF-8 (the core's text) to UTF-16 (the W functions) and back, with the system's converters.
#pragma once

#include <string>
#include <string_view>

namespace orvane::win32 {

std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace orvane::win32
