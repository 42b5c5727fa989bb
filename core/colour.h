#pragma once

#include <cstdint>

namespace tavori {

// A colour number laid out 0x00BBGGRR, as Windows' COLORREF is, and a row's three colours.
using Colour = std::uint32_t;
constexpr Colour kRunningColour = 65280;          // 0x0000FF00, green
constexpr Colour kNotRunningColour = 255;         // 0x000000FF, red
constexpr Colour kNotYetProbedColour = 16776960;  // 0x00FFFF00, cyan

}  // namespace tavori
