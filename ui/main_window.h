#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "core/catalogue.h"
#include "core/row_state.h"
#include "platform/accessible.h"
#include "platform/window.h"
#include "settings/store.h"

namespace tavori {

class OptionsDialog;

// The main window, TAVORI_MAIN: seven rows, each with its own once-a-second watcher, the OPTIONS
// button, and the always-on-top keeper's timer. The rows' last answers are all it remembers.
class MainWindow final : public win32::BaseWindow, private win32::AccessibleRows {
  public:
    static constexpr Placement kFirstRunPlacement{1000, 1000, 1215, 3135};

    explicit MainWindow(SettingsStore& settings);

    // The keeper's switch; switching a running keeper off takes back the band its ticks gave.
    void SetAlwaysOnTop(bool on);

  private:
    struct ServiceRowControl {
        HWND box = nullptr;
        Colour colour = kNotYetProbedColour;  // what it shows
        win32::UniqueBrush brush;
        std::optional<ProbeAnswer> answer;
        std::optional<std::uint64_t> answeredAt;  // when its last probe ended, in ms
    };

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnUnload() override;

    void OnWatchTick(std::size_t row);
    void OnAlwaysOnTopTick();
    void OnOptionsClick();
    LRESULT OnControlColour(HDC dc, HWND control);
    RowWords Words(std::size_t row) const override;
    void DoDefaultAction(std::size_t row) override;  // a double-click's: the toggle

    static LRESULT CALLBACK RowProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam,
                                    UINT_PTR row, DWORD_PTR window) noexcept;

    SettingsStore& settings_;
    win32::UniqueFont font_;
    std::array<ServiceRowControl, kWatchedServices.size()> rows_;
    bool probing_ = false;  // a probe waits for WMI
    win32::UniqueWindow tooltip_;
    OptionsDialog* optionsDialog_ = nullptr;  // while it is open over this window
    bool keeperOn_ = false;                   // AlwaysOnTopTimer runs
};

}  // namespace tavori
