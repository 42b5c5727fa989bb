#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tavori {

// The settings' number texts, a decimal point in every locale. Accepted: what the program writes,
// plus surrounding blanks, a sign and an exponent. One too small for the target reads as 0 (as a
// conversion rounds it); anything else, an empty text, or a number too large, as nothing.
std::optional<float> ParseSingle(std::string_view text);
std::optional<double> ParseDouble(std::string_view text);
// Whether the text is a number as these read it, of any size.
bool IsNumberText(std::string_view text);
// Rounds to the nearest integer, halves to the even neighbour, before the range check.
std::optional<std::int16_t> ParseInt16(std::string_view text);

// A whole number as the plain integer ("1000", "-15"); anything else as the shortest text that
// reads back to the same single.
std::string FormatSingle(float value);

}  // namespace tavori
