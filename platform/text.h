#pragma once

#include <string>
#include <string_view>

namespace tavori::win32 {

// The logic speaks UTF-8; Windows speaks UTF-16.
std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);

}  // namespace tavori::win32
