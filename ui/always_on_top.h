#pragma once

#include "platform/platform.h"

namespace tavori {

// The always-on-top keeper: while it is on, once a second, whatever other window holds the
// foreground leaves the topmost band and the main window takes it. The timer's enabled state is
// the only record of whether the keeper is on.
class AlwaysOnTopKeeper {
  public:
    static constexpr unsigned kIntervalMs = 1000;
    static constexpr std::string_view kSettingKey = "AlwaysOnTopTimer_TICKBOX";

    // Adds the keeper's timer, AlwaysOnTopTimer, to the main window.
    AlwaysOnTopKeeper(WindowManager& windowManager, Window& mainWindow);

    // The last step of the main window's load: on only when the stored choice is exactly 1.
    void Start(SettingsStore& settings);

    void SetEnabled(bool enabled) { timer_.SetEnabled(enabled); }
    bool Enabled() const { return timer_.Enabled(); }

    void OnTick();

  private:
    WindowManager& windowManager_;
    Window& mainWindow_;
    Timer& timer_;
};

}  // namespace tavori
