#include "settings/settings.h"

#include <optional>

#include "platform/error.h"
#include "settings/number_text.h"

namespace tavori {

namespace {

std::string Read(SettingsStore& store, std::string_view key, std::string_view defaultText) {
    return store.Read(kSettingsApplication, kSettingsSection, key, defaultText);
}

[[noreturn]] void ThrowUnusableSetting(SettingsStore& store, std::string_view key,
                                       std::string_view text, std::string_view expected) {
    const std::string location = store.Location(kSettingsApplication, kSettingsSection);
    throw Error("The stored setting \"" + std::string(key) + "\" holds \"" + std::string(text) +
                    "\", which is not " + std::string(expected) + ".\nIt is stored in " + location +
                    ".",
                "Correct the value \"" + std::string(key) +
                    "\" there, or delete it to go back to the default, then start TAVORI again.");
}

template <typename T>
T Convert(SettingsStore& store, std::string_view key, const std::string& text,
          const std::optional<T>& value, std::string_view expected) {
    if (!value) {
        ThrowUnusableSetting(store, key, text, expected);
    }
    return *value;
}

}  // namespace

float ReadSingleSetting(SettingsStore& store, std::string_view key, float defaultValue) {
    const std::string text = Read(store, key, FormatSingle(defaultValue));
    return Convert(store, key, text, ParseSingle(text), "a number");
}

double ReadDoubleSetting(SettingsStore& store, std::string_view key, double defaultValue) {
    const std::string text = Read(store, key, FormatDouble(defaultValue));
    return Convert(store, key, text, ParseDouble(text), "a number");
}

std::int16_t ReadInt16Setting(SettingsStore& store, std::string_view key, std::int16_t defaultValue,
                              std::int16_t low, std::int16_t high) {
    const std::string text = Read(store, key, std::to_string(defaultValue));
    const std::optional<std::int16_t> value = ParseInt16(text);
    if (!value || *value < low || *value > high) {
        ThrowUnusableSetting(
            store, key, text,
            "a whole number from " + std::to_string(low) + " to " + std::to_string(high));
    }
    return *value;
}

void WriteSetting(SettingsStore& store, std::string_view key, std::string_view value) {
    store.Write(kSettingsApplication, kSettingsSection, key, value);
}

}  // namespace tavori
