#include "ui/main_window.h"

#include "core/process_probe.h"
#include "core/service_control.h"
#include "settings/placement.h"
#include "ui/options_dialog.h"

namespace tavori {

namespace {

constexpr FontSpec kMainFont{"MS Sans Serif", 8.25, true};
constexpr ControlRect kOptionsButtonRect{0, 2520, MainWindow::kClientWidthTwips, 255};

}  // namespace

MainWindow::MainWindow(Platform& platform) : platform_(platform) {
    window_ = platform_.windows.CreateTopLevel({
        .className = "TAVORI_MAIN",
        .caption = "TAVORI",
        .frame = Frame::FixedToolWindow,
        .programIcon = true,
        .onUnload = [this] { OnUnload(); },
    });
    for (std::size_t i = 0; i < kWatchedServices.size(); ++i) {
        const ServiceRow& service = kWatchedServices[i];
        const int top = static_cast<int>(i) * kRowPitchTwips;
        rows_[i].box = &window_->AddTextBox({
            .at = {0, top, kClientWidthTwips, kRowHeightTwips},
            .text = service.serviceName,
            .tooltip = service.description,
            .background = kNotYetProbedColour,
            .font = kMainFont,
            .onDoubleClick = [this, i] { OnRowDoubleClick(i); },
        });
    }
    window_->AddButton({
        .at = kOptionsButtonRect,
        .caption = "OPTIONS",
        .font = kMainFont,
        .onClick = [this] { OnOptionsClick(); },
    });
    for (std::size_t i = 0; i < kWatchedServices.size(); ++i) {
        rows_[i].watcher = &window_->AddTimer([this, i] { OnWatchTick(i); });
    }
    keeper_ = std::make_unique<AlwaysOnTopKeeper>(platform_.windowManager, *window_);
    Load();
}

void MainWindow::Load() {
    const Placement stored = RestorePlacement(platform_.settings, "", kFirstRunPlacement);
    window_->SetPlacement(KeepOnScreen(stored, platform_.windows.Monitors()));
    for (ServiceRowView& row : rows_) {
        row.watcher->SetEnabled(true);
        row.watcher->SetInterval(kWatchIntervalMs);
    }
    keeper_->Start(platform_.settings);
}

void MainWindow::Show() {
    window_->Show();
}

void MainWindow::OnWatchTick(std::size_t row) {
    const bool running =
        IsProcessRunning(platform_.management, kWatchedServices[row].probeImageName);
    rows_[row].box->SetBackground(running ? kRunningColour : kNotRunningColour);
}

void MainWindow::OnRowDoubleClick(std::size_t row) {
    RunServiceCommand(platform_.launcher,
                      ToggleCommand(kWatchedServices[row], rows_[row].box->Background()));
}

void MainWindow::OnOptionsClick() {
    OptionsDialog dialog(platform_, *keeper_);
    dialog.ShowModal(*window_);
}

void MainWindow::OnUnload() {
    SavePlacement(platform_.settings, "", window_->GetPlacement());
}

}  // namespace tavori
