#pragma once

#include "platform/window.h"
#include "settings/settings.h"

namespace tavori {

class MainWindow;

// The options dialog, TAVORI_OPTIONS, created afresh for every opening: every change applies and
// is stored at once; OK only closes it.
class OptionsDialog final : public win32::BaseWindow {
  public:
    static constexpr Placement kFirstRunPlacement{1000, 1000, 6375, 2805};

    // Creates the dialog hidden, owned by the main window, and runs its load sequence.
    OptionsDialog(MainWindow& mainWindow, SettingsStore& settings);

    // Shows the dialog over the disabled main window; returns when it has been closed.
    void ShowModal();

  private:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override;
    void OnUnload() override;
    void OnSessionEnd() override;

    void OnCommand(int id, UINT code);
    void OnAlwaysOnTopClick();
    void ApplyAlwaysOnTop();
    LRESULT OnControlColour(HDC dc, HWND control);

    MainWindow& mainWindow_;
    SettingsStore& settings_;
    win32::UniqueFont labelFont_;
    win32::UniqueFont buttonFont_;
    win32::UniqueBrush labelBrush_;
    HWND alwaysOnTop_ = nullptr;
};

}  // namespace tavori
