#pragma once

#include <cstdint>

namespace tavori {

// A colour number laid out 0x00BBGGRR, as Windows' COLORREF is.
using Colour = std::uint32_t;

}  // namespace tavori
