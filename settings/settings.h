#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/settings_store.h"

namespace tavori {

// Where every value of the program is kept: application "TAVORI", section "Settings".
constexpr std::string_view kSettingsApplication = "TAVORI";
constexpr std::string_view kSettingsSection = "Settings";

// Reads and writes of the program's keys. A stored text that is not a number of the right kind
// throws tavori::Error naming the key, its text, where it is stored and how to mend it; only a
// hand edit can produce one.
float ReadSingleSetting(SettingsStore& store, std::string_view key, float defaultValue);
double ReadDoubleSetting(SettingsStore& store, std::string_view key, double defaultValue);
// A 16-bit integer (halves rounded to even) that must also lie in [low, high].
std::int16_t ReadInt16Setting(SettingsStore& store, std::string_view key, std::int16_t defaultValue,
                              std::int16_t low, std::int16_t high);

void WriteSetting(SettingsStore& store, std::string_view key, std::string_view value);

}  // namespace tavori
