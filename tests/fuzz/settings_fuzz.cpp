// libFuzzer over the settings' number texts: what a hand-edited registry value can feed the
// parsers, and the texts the program writes back. A failed check aborts: a crash, with its input.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#include "settings/number_text.h"

using namespace tavori;

static void Check(bool ok, const char* what, std::string_view text) {
    if (!ok) {
        std::fprintf(stderr, "settings_fuzz: %s; text \"%.*s\"\n", what,
                     static_cast<int>(text.size()), text.data());
        std::abort();
    }
}

// A single written by FormatSingle reads back as the same single (-0 is written "0").
static void CheckWritten(float value, std::string_view from) {
    const std::optional<float> back = ParseSingle(FormatSingle(value));
    Check(back && *back == value && std::signbit(*back) == (value < 0),
          "FormatSingle does not read back", from);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::optional<float> single = ParseSingle(text);
    const std::optional<double> number = ParseDouble(text);
    const std::optional<std::int16_t> whole = ParseInt16(text);
    if (single) {
        Check(std::isfinite(*single) && number, "ParseSingle accepted a non-number", text);
        CheckWritten(*single, text);
    }
    Check(number || !whole, "ParseInt16 accepted what ParseDouble refuses", text);
    if (number) {
        Check(std::isfinite(*number) && IsNumberText(text),
              "ParseDouble accepted a non-finite value, or IsNumberText refused a number", text);
        // Too small for a single reads as 0: only one too large is refused.
        Check(single || std::fabs(*number) >= std::numeric_limits<float>::max(),
              "ParseSingle refused a number in range", text);
        const double nearest = std::nearbyint(*number);  // the default mode: halves to even
        Check(nearest >= -32768 && nearest <= 32767 ? whole && *whole == nearest : !whole,
              "ParseInt16 is not the rounded double", text);
    }
    float raw = 0;  // the first four bytes as a single: every finite one goes out and back
    if (size >= sizeof raw && (std::memcpy(&raw, data, sizeof raw), std::isfinite(raw))) {
        CheckWritten(raw, text);
    }
    return 0;
}
