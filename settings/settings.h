#pragma once

#include <cstdint>
#include <string_view>

#include "settings/store.h"

namespace tavori {

// Where every value of the program is kept: application "TAVORI", section "Settings".
constexpr std::string_view kSettingsApplication = "TAVORI";
constexpr std::string_view kSettingsSection = "Settings";

// The "Always On Top" choice, stored as the options dialog's check box value.
constexpr std::string_view kAlwaysOnTopKey = "AlwaysOnTopTimer_TICKBOX";

// A stored text that is not such a number (only a hand edit) throws tavori::Error saying where.
float ReadSingleSetting(SettingsStore& store, std::string_view key, float defaultValue);
void WriteSetting(SettingsStore& store, std::string_view key, std::string_view value);

// The main window starts its keeper only for a stored choice that reads as exactly 1.0.
bool ReadKeeperOnAtStart(SettingsStore& store);

// The options dialog's check box: 0 cleared, 1 ticked, 2 greyed.
enum class CheckState : std::int16_t { Cleared = 0, Ticked = 1, Greyed = 2 };

// The box as the dialog loads it: a 16-bit integer (halves to even) that is one of its states.
CheckState ReadAlwaysOnTopBox(SettingsStore& store);

// The switch, on every click: the keeper runs only while ticked; the state is stored at once.
constexpr bool KeeperOnFor(CheckState box) {
    return box == CheckState::Ticked;
}
void WriteAlwaysOnTopBox(SettingsStore& store, CheckState box);

}  // namespace tavori
