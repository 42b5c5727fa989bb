#pragma once

#include <memory>

#include "platform/platform.h"
#include "ui/always_on_top.h"

namespace tavori {

// The options dialog, TAVORI_OPTIONS: the IIS start and stop buttons, the "Always On Top"
// switch, the title, credit and version, and OK. It is created afresh for every opening and
// applies and stores every change the moment it is made; OK only closes it.
class OptionsDialog {
  public:
    static constexpr Placement kFirstRunPlacement{1000, 1000, 6375, 2805};
    static constexpr std::string_view kCredit = "Created By HALWERK";
    static constexpr std::string_view kContactAddress = "tavori@halwerk.example";

    // Creates the dialog hidden and runs its load sequence.
    OptionsDialog(Platform& platform, AlwaysOnTopKeeper& keeper);
    OptionsDialog(const OptionsDialog&) = delete;
    OptionsDialog& operator=(const OptionsDialog&) = delete;

    // Returns when the dialog has been closed.
    void ShowModal(Window& owner);

    void OnIisStartClick();
    void OnIisStopClick();
    void OnAlwaysOnTopClick();
    void OnCreatorDoubleClick();
    void OnOkClick();
    void OnUnload();

  private:
    void Load();

    Platform& platform_;
    AlwaysOnTopKeeper& keeper_;
    std::unique_ptr<Window> window_;
    CheckBox* alwaysOnTop_ = nullptr;
    Label* creator_ = nullptr;
};

}  // namespace tavori
