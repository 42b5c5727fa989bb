// A libFuzzer target over the settings' number texts and the window placement read from them:
// what a hand-edited registry value can feed the program.
//
// Every input is run through all of these, each with its own check:
//   - ParseSingle, ParseDouble and ParseInt16 of the whole input: they agree with each other
//     (an accepted single is the nearest single to the accepted double; an Int16 is the double
//     rounded half to even, in range), and whatever they accept is finite;
//   - FormatSingle -> ParseSingle of the float in the first four bytes gives back the same float
//     (-0 is written "0" on purpose and reads back as +0), and FormatDouble -> ParseDouble the
//     same for the double in the first eight bytes;
//   - RestorePlacement from a small in-memory store holding the keys the input sets: it returns
//     what ParseSingle says of each text (the default for a missing key) or throws tavori::Error
//     naming the first key that does not read; what it returns survives SavePlacement and
//     RestorePlacement unchanged, and KeepOnScreen keeps it finite and at its size.
// A failed check aborts, which libFuzzer reports as a crash with the input that did it.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/error.h"
#include "platform/settings_store.h"
#include "settings/number_text.h"
#include "settings/placement.h"

namespace {

using tavori::Placement;

[[noreturn]] void Fail(const char* what, std::string_view text) {
    std::fprintf(stderr, "settings_fuzz: %s; text \"%.*s\"\n", what, static_cast<int>(text.size()),
                 text.data());
    std::abort();
}

void Check(bool ok, const char* what, std::string_view text) {
    if (!ok) {
        Fail(what, text);
    }
}

// The settings store at its smallest: the program's one application and section, a few keys.
class MemoryStore final : public tavori::SettingsStore {
  public:
    std::string Read(std::string_view application, std::string_view section, std::string_view key,
                     std::string_view defaultText) override {
        CheckPlace(application, section);
        for (const auto& [name, value] : values_) {
            if (name == key) {
                return value;
            }
        }
        return std::string(defaultText);
    }
    void Write(std::string_view application, std::string_view section, std::string_view key,
               std::string_view value) override {
        CheckPlace(application, section);
        for (auto& [name, stored] : values_) {
            if (name == key) {
                stored = value;
                return;
            }
        }
        values_.emplace_back(key, value);
    }
    std::string Location(std::string_view, std::string_view) const override { return "memory"; }

  private:
    static void CheckPlace(std::string_view application, std::string_view section) {
        Check(application == "TAVORI" && section == "Settings",
              "a placement key outside TAVORI\\Settings", application);
    }
    std::vector<std::pair<std::string, std::string>> values_;
};

bool SameFloat(float a, float b) {
    return a == b && std::signbit(a) == std::signbit(b);
}

// Within one unit in the last place: the single nearest a decimal text and the single nearest
// the double nearest that text can differ by one rounding.
bool NearSingle(float single, double value) {
    const auto narrowed = static_cast<float>(value);
    return single == narrowed || single == std::nextafter(narrowed, 0.0F) ||
           single == std::nextafter(narrowed, std::numeric_limits<float>::infinity()) ||
           single == std::nextafter(narrowed, -std::numeric_limits<float>::infinity());
}

void CheckParsers(std::string_view text) {
    const std::optional<float> single = tavori::ParseSingle(text);
    const std::optional<double> number = tavori::ParseDouble(text);
    const std::optional<std::int16_t> whole = tavori::ParseInt16(text);

    if (single) {
        Check(std::isfinite(*single), "ParseSingle accepted a non-finite value", text);
        Check(number.has_value(), "ParseSingle accepted what ParseDouble refuses", text);
        Check(NearSingle(*single, *number), "ParseSingle and ParseDouble disagree", text);
        const std::optional<float> again = tavori::ParseSingle(tavori::FormatSingle(*single));
        Check(again && *again == *single, "a parsed single does not survive FormatSingle", text);
    }
    if (number) {
        Check(std::isfinite(*number), "ParseDouble accepted a non-finite value", text);
        const double size = std::fabs(*number);
        if (size == 0 || (size >= std::numeric_limits<float>::min() && size <= 3e38)) {
            Check(single.has_value(), "ParseSingle refused a number well inside its range", text);
        }
        const double nearest = std::nearbyint(*number);  // the default mode: halves to even
        if (nearest >= std::numeric_limits<std::int16_t>::min() &&
            nearest <= std::numeric_limits<std::int16_t>::max()) {
            Check(whole && *whole == nearest, "ParseInt16 did not round half to even", text);
        } else {
            Check(!whole, "ParseInt16 accepted a number out of range", text);
        }
    } else {
        Check(!whole, "ParseInt16 accepted what ParseDouble refuses", text);
    }
}

void CheckRoundTrips(const std::uint8_t* data, std::size_t size) {
    if (size >= sizeof(float)) {
        float value = 0;
        std::memcpy(&value, data, sizeof value);
        if (std::isfinite(value)) {
            const std::string text = tavori::FormatSingle(value);
            const std::optional<float> back = tavori::ParseSingle(text);
            const float expected = value == 0 ? 0.0F : value;  // -0 is written "0"
            Check(back && SameFloat(*back, expected), "FormatSingle -> ParseSingle changed a float",
                  text);
            Check(text.find_first_not_of("0123456789+-.e") == std::string::npos,
                  "FormatSingle wrote something other than digits, sign, point and exponent", text);
        }
    }
    if (size >= sizeof(double)) {
        double value = 0;
        std::memcpy(&value, data, sizeof value);
        if (std::isfinite(value)) {
            const std::string text = tavori::FormatDouble(value);
            const std::optional<double> back = tavori::ParseDouble(text);
            Check(back && *back == value, "FormatDouble -> ParseDouble changed a double", text);
        }
    }
}

constexpr std::string_view kEdgeKeys[] = {"Left", "Top", "Width", "Height"};
constexpr float Placement::*kEdgeFields[] = {&Placement::left, &Placement::top, &Placement::width,
                                             &Placement::height};

// The first byte says which of the four keys exist (bits 0-3) and which window's prefix they
// have (bit 4); the rest holds their texts, one a line, in key order.
void CheckPlacement(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return;
    }
    const unsigned flags = data[0];
    const std::string_view prefix = (flags & 0x10) != 0 ? "OPTIONS" : "";
    std::string_view rest(reinterpret_cast<const char*>(data + 1), size - 1);
    constexpr Placement kDefaults{1000, 1000, 1215, 3135};

    MemoryStore store;
    std::optional<std::string> texts[4];
    for (std::size_t i = 0; i < 4; ++i) {
        const std::size_t end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
        if ((flags & (1U << i)) != 0) {
            texts[i] = std::string(line);
            store.Write("TAVORI", "Settings",
                        std::string(prefix) + "Main" + std::string(kEdgeKeys[i]), line);
        }
    }

    // What RestorePlacement must do: read the keys in order and stop at the first bad one.
    Placement expected = kDefaults;
    std::optional<std::size_t> firstBad;
    for (std::size_t i = 0; i < 4 && !firstBad; ++i) {
        if (texts[i]) {
            const std::optional<float> value = tavori::ParseSingle(*texts[i]);
            if (value) {
                expected.*kEdgeFields[i] = *value;
            } else {
                firstBad = i;
            }
        }
    }

    const std::string_view whole(reinterpret_cast<const char*>(data), size);
    Placement restored;
    try {
        restored = tavori::RestorePlacement(store, prefix, kDefaults);
    } catch (const tavori::Error& error) {
        Check(firstBad.has_value(), "RestorePlacement refused values that all read", whole);
        const std::string key = std::string(prefix) + "Main" + std::string(kEdgeKeys[*firstBad]);
        Check(std::string_view(error.what()).find("\"" + key + "\"") != std::string_view::npos,
              "RestorePlacement's error does not name the key that failed", whole);
        return;
    }
    Check(!firstBad, "RestorePlacement accepted a value that does not read", whole);
    Check(restored == expected, "RestorePlacement returned other values than the texts hold",
          whole);

    MemoryStore saved;
    tavori::SavePlacement(saved, prefix, restored);
    Check(tavori::RestorePlacement(saved, prefix, Placement{}) == restored,
          "a placement did not survive SavePlacement and RestorePlacement", whole);

    // One 1024x768 screen at 96 dots per inch with a 40-pixel task bar at the bottom.
    const tavori::MonitorArea monitors[] = {{{0, 0, 15360, 11520}, {0, 0, 15360, 10920}}};
    const Placement kept = tavori::KeepOnScreen(restored, monitors);
    Check(std::isfinite(kept.left) && std::isfinite(kept.top),
          "KeepOnScreen moved a window to a non-finite place", whole);
    Check(kept.width == restored.width && kept.height == restored.height,
          "KeepOnScreen changed a window's size", whole);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckParsers(std::string_view(reinterpret_cast<const char*>(data), size));
    CheckRoundTrips(data, size);
    CheckPlacement(data, size);
    return 0;
}
