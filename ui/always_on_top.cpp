#include "ui/always_on_top.h"

#include "settings/settings.h"

namespace tavori {

AlwaysOnTopKeeper::AlwaysOnTopKeeper(WindowManager& windowManager, Window& mainWindow)
    : windowManager_(windowManager),
      mainWindow_(mainWindow),
      timer_(mainWindow.AddTimer([this] { OnTick(); })) {}

void AlwaysOnTopKeeper::Start(SettingsStore& settings) {
    timer_.SetInterval(kIntervalMs);
    timer_.SetEnabled(ReadDoubleSetting(settings, kSettingKey, 0) == 1.0);
}

void AlwaysOnTopKeeper::OnTick() {
    if (windowManager_.GetForegroundWindow() == mainWindow_.Handle()) {
        return;
    }
    // Asked again: the foreground may have moved on since the first look. A null handle goes
    // through as well; that call fails unseen and the main window still takes the band.
    const WindowHandle foreground = windowManager_.GetForegroundWindow();
    windowManager_.SetWindowPos(foreground, WindowManager::kNotTopmost, 0, 0, 0, 0,
                                WindowManager::kNoSizeNoMove);
    windowManager_.SetWindowPos(mainWindow_.Handle(), WindowManager::kTopmost, 0, 0, 0, 0,
                                WindowManager::kNoSizeNoMove);
}

}  // namespace tavori
