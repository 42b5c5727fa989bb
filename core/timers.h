#pragma once

#include <cstdint>
#include <optional>

namespace tavori {

// Insert-after values and flags of SetWindowPos, as the keeper passes them (the Windows side
// checks them against its headers).
enum class Band { Topmost = -1, NotTopmost = -2 };
constexpr unsigned kNoSizeNoMove = 0x0003;  // SWP_NOSIZE | SWP_NOMOVE
constexpr unsigned kNoActivate = 0x0010;    // SWP_NOACTIVATE
constexpr unsigned kAsync = 0x4000;         // SWP_ASYNCWINDOWPOS

// One tick of the always-on-top keeper; none while it is off (a tick another program posts).
// With the main window in front, nothing. Otherwise the window now in front (asked again) leaves
// the topmost band, asynchronously, so that a hung program cannot hang this one too, unless it
// is one of this program's own (its options dialog stays above the main window all the same),
// none, or the shell's (a taskbar or the desktop, which other windows must not cover). The main
// window then takes the band without the activation: the keyboard stays where the user put it.
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

// Whether a row's watcher tick runs a probe, on a clock in milliseconds. Not while any probe is
// still waiting for WMI (COM's modal loop dispatches ticks inside one), nor within half a period
// of the row's last answer: a timer that fell behind, or ticks sent from outside, then cost
// nothing, and clicks and repaints are never kept waiting behind a pile of probes.
constexpr bool TickProbes(std::uint64_t now, std::optional<std::uint64_t> lastAnswerAt,
                          bool probeUnderWay, std::uint64_t period) {
    return !probeUnderWay && (!lastAnswerAt || now - *lastAnswerAt >= period / 2);
}

}  // namespace tavori
