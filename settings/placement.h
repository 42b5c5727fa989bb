#pragma once

#include <span>
#include <string_view>

#include "platform/settings_store.h"
#include "platform/window_runtime.h"

namespace tavori {

// A window's placement is kept under four keys, Left, Top, Width and Height in twips, after a
// prefix that tells the windows apart: "MainLeft" for the main window, "OPTIONSMainLeft" for the
// options dialog.

// Reads the four keys in that order; a missing key gives its default.
Placement RestorePlacement(SettingsStore& store, std::string_view prefix,
                           const Placement& defaults);

// Writes the four keys in that order.
void SavePlacement(SettingsStore& store, std::string_view prefix, const Placement& placement);

// Neither window has a task-bar button or a minimise box, so one restored wholly off every
// monitor could be neither seen nor closed. Such a placement moves, at its size, into the work
// area of the nearest monitor; one that shows on any monitor, even in part, stays as it is.
Placement KeepOnScreen(const Placement& placement, std::span<const MonitorArea> monitors);

}  // namespace tavori
