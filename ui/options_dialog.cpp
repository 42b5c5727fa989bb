#include "ui/options_dialog.h"

#include <string>

#include "core/catalogue.h"
#include "core/service_control.h"
#include "settings/placement.h"
#include "settings/settings.h"

namespace tavori {

namespace {

constexpr std::string_view kPlacementPrefix = "OPTIONS";

constexpr FontSpec kLabelFont{"MS Sans Serif", 12, true};
constexpr Colour kLabelBackground = 0;         // black
constexpr Colour kLabelText = kRunningColour;  // green

constexpr int kCheckBoxCleared = 0;
constexpr int kCheckBoxTicked = 1;
constexpr int kCheckBoxGreyed = 2;

}  // namespace

OptionsDialog::OptionsDialog(Platform& platform, AlwaysOnTopKeeper& keeper)
    : platform_(platform), keeper_(keeper) {
    window_ = platform_.windows.CreateTopLevel({
        .className = "TAVORI_OPTIONS",
        .caption = "TAVORI - OPTIONS",
        .frame = Frame::SizableToolWindow,
        .programIcon = false,
        .onUnload = [this] { OnUnload(); },
    });
    // Added in tab order: the check box first, so that it holds the focus when the dialog opens.
    alwaysOnTop_ = &window_->AddCheckBox({
        .at = {3120, 1680, 1095, 615},
        .caption = "Always On Top",
        .onClick = [this] { OnAlwaysOnTopClick(); },
    });
    window_->AddButton({
        .at = {4440, 1680, 1575, 615},
        .caption = "OK",
        .font = {},
        .onClick = [this] { OnOkClick(); },
    });
    window_->AddButton({
        .at = {240, 1680, 1095, 615},
        .caption = "START IIS SERVICE",
        .font = {},
        .onClick = [this] { OnIisStartClick(); },
    });
    window_->AddButton({
        .at = {1680, 1680, 1095, 615},
        .caption = "STOP IIS SERVICE",
        .font = {},
        .onClick = [this] { OnIisStopClick(); },
    });
    const auto label = [this](ControlRect at, std::string_view caption, Handler onDoubleClick) {
        return &window_->AddLabel({
            .at = at,
            .caption = caption,
            .background = kLabelBackground,
            .foreground = kLabelText,
            .font = kLabelFont,
            .onDoubleClick = std::move(onDoubleClick),
        });
    };
    label({120, 120, 6015, 435}, "HALWERK - TAVORI", nullptr);
    label({120, 1080, 3015, 465}, "Version 1.0", nullptr);
    creator_ = label({120, 600, 6015, 450}, kCredit, [this] { OnCreatorDoubleClick(); });
    Load();
}

void OptionsDialog::Load() {
    const Placement stored =
        RestorePlacement(platform_.settings, kPlacementPrefix, kFirstRunPlacement);
    window_->SetPlacement(KeepOnScreen(stored, platform_.windows.Monitors()));

    const std::int16_t value =
        ReadInt16Setting(platform_.settings, AlwaysOnTopKeeper::kSettingKey, kCheckBoxCleared,
                         kCheckBoxCleared, kCheckBoxGreyed);
    alwaysOnTop_->SetValue(value);
    // Setting the box raises no click here: the load runs the switch itself when the stored
    // choice changed the box from cleared.
    if (value != kCheckBoxCleared) {
        OnAlwaysOnTopClick();
    }
}

void OptionsDialog::ShowModal(Window& owner) {
    window_->ShowModal(owner);
}

void OptionsDialog::OnIisStartClick() {
    RunServiceCommand(platform_.launcher, kWebPublishingService.startCommand);
}

void OptionsDialog::OnIisStopClick() {
    RunServiceCommand(platform_.launcher, kWebPublishingService.stopCommand);
}

void OptionsDialog::OnAlwaysOnTopClick() {
    keeper_.SetEnabled(alwaysOnTop_->Value() == kCheckBoxTicked);
    WriteSetting(platform_.settings, AlwaysOnTopKeeper::kSettingKey,
                 std::to_string(alwaysOnTop_->Value()));
}

void OptionsDialog::OnCreatorDoubleClick() {
    creator_->SetCaption(kContactAddress);
}

void OptionsDialog::OnOkClick() {
    window_->Close();
}

void OptionsDialog::OnUnload() {
    SavePlacement(platform_.settings, kPlacementPrefix, window_->GetPlacement());
}

}  // namespace tavori
