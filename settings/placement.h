#pragma once

#include <span>
#include <string_view>

#include "settings/store.h"

namespace tavori {

// A window's outer frame in twips from the top-left corner of the primary screen.
struct Placement {
    float left = 0;
    float top = 0;
    float width = 0;
    float height = 0;

    friend bool operator==(const Placement&, const Placement&) = default;
};

// One monitor, in twips: all of it, and the part that windows may use (without the task bar).
struct MonitorArea {
    Placement bounds;
    Placement workArea;
};

// What of a window's frame must show for the user to move and close it, in twips: the smallest
// width and height that still hold the caption bar with its close box, where the caption bar lies
// below the frame's top edge, and the least of it, across and down, that a mouse can grab.
struct CaptionFrame {
    float minWidth = 0;
    float minHeight = 0;
    float captionTop = 0;
    float captionHeight = 0;
    float grip = 0;
};

// A window's placement is kept under four keys, Left, Top, Width and Height in twips, after a
// prefix that tells the windows apart: "MainLeft" for the main window, "OPTIONSMainLeft" for the
// options dialog. Restore reads them in that order, a missing key giving its default; Save
// writes them in that order.
Placement RestorePlacement(SettingsStore& store, std::string_view prefix,
                           const Placement& defaults);
void SavePlacement(SettingsStore& store, std::string_view prefix, const Placement& placement);

// Neither window has a task-bar button or a minimise box, so one whose caption bar cannot be
// reached could be neither moved nor closed. A stored width or height too small for the caption
// bar and its close box, or larger than all monitors together, opens at its first-run value; a
// window whose caption bar shows on no monitor's work area moves, at its size, into the work
// area of the nearest monitor. Anything with a reachable caption stays exactly where it was.
Placement KeepOnScreen(Placement placement, const Placement& firstRun, const CaptionFrame& frame,
                       std::span<const MonitorArea> monitors);

}  // namespace tavori
