#include "settings/settings.h"

#include <optional>

#include "core/error.h"
#include "settings/number_text.h"

namespace tavori {

namespace {

// The key's stored text as `parse` reads it; a text it refuses throws, saying where it is kept
// and that it is not what was `expected` (by default: not a number, or a number out of range).
template <typename Parse>
auto ReadNumber(SettingsStore& store, std::string_view key, std::string_view defaultText,
                Parse parse, std::string_view expected = {}) {
    const std::string text = store.Read(kSettingsApplication, kSettingsSection, key, defaultText);
    if (const auto value = parse(text)) {
        return *value;
    }
    const std::string fault = !expected.empty()    ? "not " + std::string(expected)
                              : IsNumberText(text) ? "out of range"
                                                   : "not a number";
    throw Error("The stored setting \"" + std::string(key) + "\" holds " + QuoteStoredText(text) +
                    ", which is " + fault + ".\nIt is stored in " +
                    store.Location(kSettingsApplication, kSettingsSection) + ".",
                "Correct the value \"" + std::string(key) +
                    "\" there, or delete it to go back to the default, then start TAVORI again.");
}

}  // namespace

float ReadSingleSetting(SettingsStore& store, std::string_view key, float defaultValue) {
    return ReadNumber(store, key, FormatSingle(defaultValue), ParseSingle);
}

void WriteSetting(SettingsStore& store, std::string_view key, std::string_view value) {
    store.Write(kSettingsApplication, kSettingsSection, key, value);
}

bool ReadKeeperOnAtStart(SettingsStore& store) {
    return ReadNumber(store, kAlwaysOnTopKey, "0", ParseDouble) == 1.0;
}

CheckState ReadAlwaysOnTopBox(SettingsStore& store) {
    const auto state = [](std::string_view text) -> std::optional<std::int16_t> {
        const std::optional<std::int16_t> value = ParseInt16(text);
        return value && *value >= 0 && *value <= 2 ? value : std::nullopt;
    };
    return static_cast<CheckState>(
        ReadNumber(store, kAlwaysOnTopKey, "0", state, "a whole number from 0 to 2"));
}

void WriteAlwaysOnTopBox(SettingsStore& store, CheckState box) {
    WriteSetting(store, kAlwaysOnTopKey, std::to_string(static_cast<int>(box)));
}

}  // namespace tavori
