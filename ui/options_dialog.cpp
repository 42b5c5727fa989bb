#include "ui/options_dialog.h"

#include "platform/launcher.h"
#include "platform/text.h"
#include "ui/main_window.h"

namespace tavori {

namespace {

constexpr std::string_view kCredit = "Created By HALWERK";
constexpr std::string_view kContactAddress = "tavori@halwerk.example";

constexpr Colour kLabelBackground = 0;         // black
constexpr Colour kLabelText = kRunningColour;  // green

// Control identifiers in tab order: the check box first, so that it holds the focus when the
// dialog opens. All lie above IDOK and IDCANCEL, which Enter and Escape send on their own.
enum ControlId {
    kAlwaysOnTopId = 100,
    kOkId,
    kIisStartId,
    kIisStopId,
    kTitleId,
    kCreatorId,
    kVersionId
};

}  // namespace

OptionsDialog::OptionsDialog(MainWindow& mainWindow, SettingsStore& settings)
    : mainWindow_(mainWindow), settings_(settings) {
    Create(L"TAVORI_OPTIONS", L"TAVORI - OPTIONS",
           WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN,
           mainWindow.Handle(), nullptr);
    buttonFont_ = win32::MakeFont(L"MS Shell Dlg", 8, false);  // the dialogs' classic font
    labelFont_ = win32::MakeFont(L"MS Sans Serif", 12, true);
    labelBrush_ = win32::MakeBrush(kLabelBackground);
    const DWORD button = WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE;
    alwaysOnTop_ = AddControl(kAlwaysOnTopId, L"BUTTON", "Always On Top",
                              WS_TABSTOP | BS_3STATE | BS_MULTILINE, 0, 3120, 1680, 1095, 615,
                              buttonFont_.get());
    AddControl(kOkId, L"BUTTON", "OK", button, 0, 4440, 1680, 1575, 615, buttonFont_.get());
    AddControl(kIisStartId, L"BUTTON", "START IIS SERVICE", button, 0, 240, 1680, 1095, 615,
               buttonFont_.get());
    AddControl(kIisStopId, L"BUTTON", "STOP IIS SERVICE", button, 0, 1680, 1680, 1095, 615,
               buttonFont_.get());
    const DWORD label = SS_CENTER | SS_NOTIFY | SS_NOPREFIX | WS_BORDER;
    AddControl(kTitleId, L"STATIC", "HALWERK - TAVORI", label, 0, 120, 120, 6015, 435,
               labelFont_.get());
    creator_ =
        AddControl(kCreatorId, L"STATIC", kCredit, label, 0, 120, 600, 6015, 450, labelFont_.get());
    AddControl(kVersionId, L"STATIC", "Version 1.0", label, 0, 120, 1080, 3015, 465,
               labelFont_.get());
    Load();
}

void OptionsDialog::Load() {
    SetPlacement(RestorePlacement(settings_, "OPTIONS", kFirstRunPlacement), kFirstRunPlacement);
    const CheckState box = ReadAlwaysOnTopBox(settings_);
    ::SendMessageW(alwaysOnTop_, BM_SETCHECK, static_cast<WPARAM>(box), 0);
    // Setting the box raises no click: a stored choice that changed it from cleared runs the
    // switch here, as a click would.
    if (box != CheckState::Cleared) {
        ApplyAlwaysOnTop();
    }
}

void OptionsDialog::ShowModal() {
    win32::ShowModal(hwnd_, mainWindow_.Handle(), closed_);
}

LRESULT OptionsDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_CTLCOLORSTATIC:
            return OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_ACTIVATE:
            OnActivate(LOWORD(wParam) != WA_INACTIVE);
            return 0;
        case WM_DESTROY:
            closed_ = true;
            return 0;
        default:
            return Default(message, wParam, lParam);
    }
}

void OptionsDialog::OnCommand(int id, UINT code) {
    if (id == kCreatorId && code == STN_DBLCLK) {
        ::SetWindowTextW(creator_, win32::Widen(kContactAddress).c_str());
        return;
    }
    if (code != BN_CLICKED) {
        return;
    }
    switch (id) {
        case kAlwaysOnTopId:
            OnAlwaysOnTopClick();
            break;
        case kOkId:
            Close();
            break;
        case kIisStartId:
            win32::RunServiceCommand(StartCommand(kWebPublishingService));
            break;
        case kIisStopId:
            win32::RunServiceCommand(StopCommand(kWebPublishingService));
            break;
        default:
            break;  // Enter and Escape arrive as IDOK and IDCANCEL from no control: ignored
    }
}

void OptionsDialog::OnAlwaysOnTopClick() {
    // A click toggles between cleared and ticked; a greyed box, which only an outside edit of the
    // settings produces, clears as the system's own three-state boxes do after their greyed step.
    const LRESULT state = ::SendMessageW(alwaysOnTop_, BM_GETCHECK, 0, 0);
    ::SendMessageW(alwaysOnTop_, BM_SETCHECK, state == BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED,
                   0);
    ApplyAlwaysOnTop();
}

void OptionsDialog::ApplyAlwaysOnTop() {
    const auto box = static_cast<CheckState>(::SendMessageW(alwaysOnTop_, BM_GETCHECK, 0, 0));
    mainWindow_.SetAlwaysOnTop(KeeperOnFor(box));
    WriteAlwaysOnTopBox(settings_, box);
}

LRESULT OptionsDialog::OnControlColour(HDC dc, HWND control) {
    if (control == alwaysOnTop_) {  // the one non-label that asks: platform colours
        return Default(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                       reinterpret_cast<LPARAM>(control));
    }
    ::SetBkColor(dc, kLabelBackground);
    ::SetTextColor(dc, kLabelText);
    return reinterpret_cast<LRESULT>(labelBrush_.get());
}

void OptionsDialog::OnUnload() {
    SavePlacement(settings_, "OPTIONS", GetPlacement());
}

void OptionsDialog::OnClosing() {
    // Enabled before the dialog goes, so that the activation returns to the main window.
    ::EnableWindow(mainWindow_.Handle(), TRUE);
}

}  // namespace tavori
