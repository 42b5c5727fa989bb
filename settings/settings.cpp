#include "settings/settings.h"

#include <optional>

#include "core/error.h"
#include "settings/number_text.h"

namespace tavori {

namespace {

std::string Read(SettingsStore& store, std::string_view key, std::string_view defaultText) {
    return store.Read(kSettingsApplication, kSettingsSection, key, defaultText);
}

[[noreturn]] void ThrowUnusableSetting(SettingsStore& store, std::string_view key,
                                       std::string_view text, std::string_view expected) {
    const std::string location = store.Location(kSettingsApplication, kSettingsSection);
    throw Error("The stored setting \"" + std::string(key) + "\" holds " + QuoteStoredText(text) +
                    ", which is not " + std::string(expected) + ".\nIt is stored in " + location +
                    ".",
                "Correct the value \"" + std::string(key) +
                    "\" there, or delete it to go back to the default, then start TAVORI again.");
}

}  // namespace

float ReadSingleSetting(SettingsStore& store, std::string_view key, float defaultValue) {
    const std::string text = Read(store, key, FormatSingle(defaultValue));
    const std::optional<float> value = ParseSingle(text);
    if (!value) {
        ThrowUnusableSetting(store, key, text, "a number");
    }
    return *value;
}

void WriteSetting(SettingsStore& store, std::string_view key, std::string_view value) {
    store.Write(kSettingsApplication, kSettingsSection, key, value);
}

bool ReadKeeperOnAtStart(SettingsStore& store) {
    const std::string text = Read(store, kAlwaysOnTopKey, "0");
    const std::optional<double> value = ParseDouble(text);
    if (!value) {
        ThrowUnusableSetting(store, kAlwaysOnTopKey, text, "a number");
    }
    return *value == 1.0;
}

CheckState ReadAlwaysOnTopBox(SettingsStore& store) {
    const std::string text = Read(store, kAlwaysOnTopKey, "0");
    const std::optional<std::int16_t> value = ParseInt16(text);
    if (!value || *value < 0 || *value > 2) {
        ThrowUnusableSetting(store, kAlwaysOnTopKey, text, "a whole number from 0 to 2");
    }
    return static_cast<CheckState>(*value);
}

void WriteAlwaysOnTopBox(SettingsStore& store, CheckState box) {
    WriteSetting(store, kAlwaysOnTopKey, std::to_string(static_cast<int>(box)));
}

}  // namespace tavori
