#pragma once

namespace tavori {

// Insert-after values and flags of SetWindowPos, as the keeper passes them.
enum class Band { Topmost = -1, NotTopmost = -2 };
constexpr unsigned kNoSizeNoMove = 3;  // SWP_NOSIZE | SWP_NOMOVE; activation is not suppressed

// One tick of the always-on-top keeper. While the main window holds the foreground nothing
// happens; otherwise the window now in the foreground (asked again: it may have moved on since
// the first look, and may be none) leaves the topmost band and the main window takes it. The
// results of the window manager's calls are not errors to the program.
template <typename Handle, typename GetForeground, typename SetBand>
void KeeperTick(Handle mainWindow, GetForeground getForegroundWindow, SetBand setWindowBand) {
    if (getForegroundWindow() == mainWindow) {
        return;
    }
    setWindowBand(getForegroundWindow(), Band::NotTopmost);
    setWindowBand(mainWindow, Band::Topmost);
}

}  // namespace tavori
