#pragma once

#include <array>
#include <cstddef>
#include <memory>

#include "core/catalogue.h"
#include "platform/platform.h"
#include "ui/always_on_top.h"

namespace tavori {

// The main window, TAVORI_MAIN: seven status rows, one per watched mail service, each with its
// own once-a-second watcher, and the OPTIONS button. The rows' colours are the only record of
// the last probe answers.
class MainWindow {
  public:
    static constexpr unsigned kWatchIntervalMs = 1000;
    static constexpr int kRowPitchTwips = 360;
    static constexpr int kRowHeightTwips = 285;
    static constexpr int kClientWidthTwips = 1095;
    static constexpr Placement kFirstRunPlacement{1000, 1000, 1215, 3135};

    // Creates the window hidden and runs its load sequence.
    explicit MainWindow(Platform& platform);
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    void Show();

    // Event handlers, each run through the platform's dispatcher.
    void OnWatchTick(std::size_t row);
    void OnRowDoubleClick(std::size_t row);
    void OnOptionsClick();
    void OnUnload();

    Window& window() { return *window_; }
    AlwaysOnTopKeeper& keeper() { return *keeper_; }

  private:
    struct ServiceRowView {
        TextBox* box = nullptr;
        Timer* watcher = nullptr;
    };

    void Load();

    Platform& platform_;
    std::unique_ptr<Window> window_;
    std::array<ServiceRowView, kWatchedServices.size()> rows_{};
    std::unique_ptr<AlwaysOnTopKeeper> keeper_;
};

}  // namespace tavori
