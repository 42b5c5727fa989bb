#pragma once

#include <algorithm>
#include <vector>

namespace tavori {

// Insert-after values and flags of SetWindowPos, as the keeper passes them.
enum class Band { Topmost = -1, NotTopmost = -2 };
constexpr unsigned kNoSizeNoMove = 3;  // SWP_NOSIZE | SWP_NOMOVE; activation is not suppressed

// One tick of the always-on-top keeper: unless the main window holds the foreground, the window
// now there (asked again, and maybe none) leaves the topmost band and the main window takes it.
template <typename Handle, typename GetForeground, typename SetBand>
void KeeperTick(Handle mainWindow, GetForeground getForegroundWindow, SetBand setWindowBand) {
    if (getForegroundWindow() == mainWindow) {
        return;
    }
    setWindowBand(getForegroundWindow(), Band::NotTopmost);
    setWindowBand(mainWindow, Band::Topmost);
}

// A pile of queued ticks, each timer once: one that fell behind ticks once, not once a period.
template <typename Id>
std::vector<Id> DistinctTicks(const std::vector<Id>& queued) {
    std::vector<Id> distinct;
    for (const Id id : queued) {
        if (std::find(distinct.begin(), distinct.end(), id) == distinct.end()) {
            distinct.push_back(id);
        }
    }
    return distinct;
}

}  // namespace tavori
