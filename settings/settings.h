#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "settings/store.h"

namespace tavori {

// Where every value of the program is kept: application "TAVORI", section "Settings".
constexpr std::string_view kSettingsApplication = "TAVORI";
constexpr std::string_view kSettingsSection = "Settings";

// The "Always On Top" choice, stored as the options dialog's check box value.
constexpr std::string_view kAlwaysOnTopKey = "AlwaysOnTopTimer_TICKBOX";

// A stored text that is not a number of the right kind throws tavori::Error naming the key, its
// text, where it is stored and how to mend it; only a hand edit can produce one.
float ReadSingleSetting(SettingsStore& store, std::string_view key, float defaultValue);
void WriteSetting(SettingsStore& store, std::string_view key, std::string_view value);

// The main window starts its keeper only for a stored choice that reads as exactly 1.0.
bool ReadKeeperOnAtStart(SettingsStore& store);

// The options dialog's check box: 0 cleared, 1 ticked, 2 greyed.
enum class CheckState : std::int16_t { Cleared = 0, Ticked = 1, Greyed = 2 };

// The box as the dialog loads it: the stored choice read as a 16-bit integer (halves to even),
// which must be a state the box has. Loading any state but cleared counts as a click, so the
// dialog then runs its switch.
CheckState ReadAlwaysOnTopBox(SettingsStore& store);

// The switch, on every click of the box: the keeper runs only while the box is ticked, and the
// box's state is stored at once as its decimal number.
constexpr bool KeeperOnFor(CheckState box) {
    return box == CheckState::Ticked;
}
void WriteAlwaysOnTopBox(SettingsStore& store, CheckState box);

}  // namespace tavori
