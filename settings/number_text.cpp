#include "settings/number_text.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cmath>
#include <limits>

namespace tavori {

namespace {

constexpr std::string_view kBlanks = " \t";

// Trims the blanks and takes a leading '+', which from_chars does not accept. A sign followed by
// another sign or by a blank is not a number.
std::optional<std::string_view> Number(std::string_view text) {
    const std::size_t first = text.find_first_not_of(kBlanks);
    if (first == std::string_view::npos) {
        return std::nullopt;
    }
    text = text.substr(first, text.find_last_not_of(kBlanks) - first + 1);
    if (text.front() == '+') {
        text.remove_prefix(1);
        if (text.empty() || text.front() == '-') {
            return std::nullopt;
        }
    }
    return text;
}

// Whether a well-formed number text is about 1 or more in size, from where its first non-zero
// digit stands and its exponent: a number out of range lies far from 1, on the side this tells.
bool AtLeastOne(std::string_view number) {
    const std::size_t e = std::min(number.find_first_of("eE"), number.size());
    const std::string_view mantissa = number.substr(0, e);
    const auto point = static_cast<long long>(std::min(mantissa.find('.'), mantissa.size()));
    const auto first = static_cast<long long>(mantissa.find_first_of("123456789"));
    const long long power = point - first;  // the first digit's power of ten, give or take one
    std::string_view exponent = number.substr(std::min(e + 1, number.size()));
    if (!exponent.empty() && exponent.front() == '+') {
        exponent.remove_prefix(1);  // which from_chars does not accept
    }
    long long shift = 0;  // none without an exponent
    if (std::from_chars(exponent.data(), exponent.data() + exponent.size(), shift).ec ==
        std::errc::result_out_of_range) {
        return exponent.front() != '-';  // beyond any length of text: its sign decides
    }
    return shift >= -power;
}

// `tooLarge` tells a number beyond T's largest from a text that is no number.
template <typename T>
std::optional<T> ParseFloating(std::string_view text, bool* tooLarge = nullptr) {
    const std::optional<std::string_view> number = Number(text);
    if (!number) {
        return std::nullopt;
    }
    const char* end = number->data() + number->size();
    T value{};
    const auto [stop, error] =
        std::from_chars(number->data(), end, value, std::chars_format::general);
    if (stop != end) {
        return std::nullopt;
    }
    // Out of range either way, from_chars leaves the value unset: one too small rounds to 0.
    if (error == std::errc::result_out_of_range) {
        const bool large = AtLeastOne(*number);
        if (tooLarge != nullptr) {
            *tooLarge = large;
        }
        return large ? std::nullopt : std::optional<T>(0);
    }
    // from_chars also reads "inf" and "nan": neither is a placement.
    if (error != std::errc() || !std::isfinite(value)) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<float> ParseSingle(std::string_view text) {
    return ParseFloating<float>(text);
}

std::optional<double> ParseDouble(std::string_view text) {
    return ParseFloating<double>(text);
}

bool IsNumberText(std::string_view text) {
    bool tooLarge = false;
    return ParseFloating<double>(text, &tooLarge) || tooLarge;
}

std::optional<std::int16_t> ParseInt16(std::string_view text) {
    const std::optional<double> value = ParseDouble(text);
    if (!value) {
        return std::nullopt;
    }
    const double rounded = std::nearbyint(*value);  // the default rounding: halves to even
    if (rounded < std::numeric_limits<std::int16_t>::min() ||
        rounded > std::numeric_limits<std::int16_t>::max()) {
        return std::nullopt;
    }
    return static_cast<std::int16_t>(rounded);
}

// Any fraction by %g at growing precision until it reads back: floating-point to_chars would add
// some 170 KiB to the program for the fractional twips only some scalings produce.
std::string FormatSingle(float value) {
    char text[64];
    if (std::trunc(value) == value && std::fabs(value) < 1e15F) {
        const auto result = std::to_chars(text, text + sizeof text, static_cast<long long>(value));
        return std::string(text, result.ptr);
    }
    std::string candidate;
    for (int precision = 1; precision <= std::numeric_limits<float>::max_digits10; ++precision) {
        const int length =
            std::snprintf(text, sizeof text, "%.*g", precision, static_cast<double>(value));
        candidate.assign(text, static_cast<std::size_t>(length));
        // Should anything set a locale with a decimal comma, the text still holds a point.
        std::replace(candidate.begin(), candidate.end(), ',', '.');
        if (ParseSingle(candidate) == value) {
            break;
        }
    }
    return candidate;
}

}  // namespace tavori
