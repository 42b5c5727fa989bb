#pragma once

#include <span>
#include <string_view>

#include "settings/store.h"

namespace tavori {

// Positions and sizes are kept in twips, 1/1440 inch; only these convert them, at the system dpi.
constexpr int kTwipsPerInch = 1440;
int TwipsToPixels(double twips, int dpi);
double PixelsToTwips(int pixels, int dpi);

// A window's outer frame in twips from the top-left corner of the primary screen.
struct Placement {
    float left = 0, top = 0, width = 0, height = 0;

    friend bool operator==(const Placement&, const Placement&) = default;
};

// One monitor, in twips: all of it, and the part that windows may use (without the task bar).
struct MonitorArea {
    Placement bounds;
    Placement workArea;
};

// In twips: the least frame that holds the caption bar and close box, where the caption lies
// below the frame's top, and the least of it a mouse can grab.
struct CaptionFrame {
    float minWidth = 0, minHeight = 0, captionTop = 0, captionHeight = 0, grip = 0;
};

// "MainLeft", "MainTop", "MainWidth", "MainHeight" in this order, after a prefix ("OPTIONS" for
// the dialog), as one unit of the store; a missing key gives its default.
Placement RestorePlacement(SettingsStore& store, std::string_view prefix,
                           const Placement& defaults);
void SavePlacement(SettingsStore& store, std::string_view prefix, const Placement& placement);

// With no task-bar button or minimise box, a window with an unreachable caption could be neither
// moved nor closed. A size under the caption and close box's, or beyond all monitors, opens at the
// first run's; a caption on no work area moves into the nearest one. Else nothing changes.
Placement KeepOnScreen(Placement placement, const Placement& firstRun, const CaptionFrame& frame,
                       std::span<const MonitorArea> monitors);

}  // namespace tavori
