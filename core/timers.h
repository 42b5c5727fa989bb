#pragma once

#include <cstdint>
#include <optional>

namespace tavori {

// Insert-after values and flags of SetWindowPos, as the keeper passes them (the Windows side
// checks them against its headers).
enum class Band { Topmost = -1, NotTopmost = -2 };
constexpr unsigned kNoSizeNoMove = 0x0003;  // SWP_NOSIZE | SWP_NOMOVE; activation not suppressed
constexpr unsigned kNoActivate = 0x0010;    // SWP_NOACTIVATE
constexpr unsigned kAsync = 0x4000;         // SWP_ASYNCWINDOWPOS

// One tick of the always-on-top keeper. With the main window in front, nothing. With a window
// it owns in front (its options dialog), that one is left as it is and the main window rises
// without taking the activation: the owned window stays above it all the same. Otherwise the
// window now in front (asked again, and maybe none) leaves the topmost band, asynchronously, so
// that a hung program cannot hang this one too, and the main window takes the band.
template <typename Handle, typename GetForeground, typename OwnedByMain, typename SetBand>
void KeeperTick(Handle mainWindow, GetForeground getForegroundWindow, OwnedByMain ownedByMain,
                SetBand setWindowBand) {
    const Handle front = getForegroundWindow();
    if (front == mainWindow) {
        return;
    }
    if (ownedByMain(front)) {
        setWindowBand(mainWindow, Band::Topmost, kNoSizeNoMove | kNoActivate);
        return;
    }
    setWindowBand(getForegroundWindow(), Band::NotTopmost, kNoSizeNoMove | kAsync);
    setWindowBand(mainWindow, Band::Topmost, kNoSizeNoMove);
}

// Whether a row's watcher tick runs a probe, on a clock in milliseconds. Not while any probe is
// still waiting for WMI (COM's modal loop dispatches ticks inside one), nor within half a period
// of the row's last answer: a timer that fell behind, or ticks sent from outside, then cost
// nothing, and clicks and repaints are never kept waiting behind a pile of probes.
constexpr bool TickProbes(std::uint64_t now, std::optional<std::uint64_t> lastAnswerAt,
                          bool probeUnderWay, std::uint64_t period) {
    if (probeUnderWay) {
        return false;
    }
    return !lastAnswerAt || now - *lastAnswerAt >= period / 2;
}

}  // namespace tavori
