#pragma once

#include <cstdint>
#include <optional>

namespace tavori {

// SetWindowPos's insert-after values and flags (the Windows side checks them against its headers).
enum class Band { Topmost = -1, NotTopmost = -2 };
constexpr unsigned kNoSizeNoMove = 0x0003;  // SWP_NOSIZE | SWP_NOMOVE
constexpr unsigned kNoActivate = 0x0010;    // SWP_NOACTIVATE
constexpr unsigned kAsync = 0x4000;         // SWP_ASYNCWINDOWPOS

// One tick of the always-on-top keeper (none while off, as a posted tick). Unless the main window
// is in front, the front window (asked again) leaves the topmost band, asynchronously so that a
// hung program cannot hang this one, unless it is ours, none, or the shell's (taskbar, desktop);
// the main window then takes the band without activation: the keyboard stays where it was.
template <typename Handle, typename GetForeground, typename OwnedByMain, typename IsShell,
          typename SetBand>
void KeeperTick(bool keeperOn, Handle mainWindow, GetForeground getForegroundWindow,
                OwnedByMain ownedByMain, IsShell isShell, SetBand setWindowBand) {
    if (!keeperOn || getForegroundWindow() == mainWindow) {
        return;
    }
    const Handle front = getForegroundWindow();
    if (front != Handle{} && !ownedByMain(front) && !isShell(front)) {
        setWindowBand(front, Band::NotTopmost, kNoSizeNoMove | kAsync);
    }
    setWindowBand(mainWindow, Band::Topmost, kNoSizeNoMove | kNoActivate);
}

// Whether a row's watcher tick probes (clock in ms): not while a probe waits for WMI (COM's modal
// loop dispatches ticks inside one), nor within half a period of the row's last answer, so that
// late or foreign ticks cost nothing and clicks never wait behind a pile of probes.
constexpr bool TickProbes(std::uint64_t now, std::optional<std::uint64_t> lastAnswerAt,
                          bool probeUnderWay, std::uint64_t period) {
    return !probeUnderWay && (!lastAnswerAt || now - *lastAnswerAt >= period / 2);
}

}  // namespace tavori
