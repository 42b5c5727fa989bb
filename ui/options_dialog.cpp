#include "ui/options_dialog.h"

#include "platform/process.h"
#include "platform/text.h"
#include "ui/main_window.h"

namespace tavori {

namespace {

constexpr std::string_view kCredit = "Created By HALWERK";
constexpr std::string_view kContactAddress = "tavori@halwerk.example";

constexpr Colour kLabelBackground = 0;         // black
constexpr Colour kLabelText = kRunningColour;  // green

// In tab order from 100, above IDOK and IDCANCEL; the check box first, to hold the focus.
struct ControlLayout {
    const wchar_t* windowClass;
    std::string_view text;
    DWORD style;
    int left, top, width, height;
};
constexpr DWORD kButton = WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE;
constexpr DWORD kLabel = SS_CENTER | SS_NOTIFY | SS_NOPREFIX | WS_BORDER;
constexpr ControlLayout kControls[] = {
    {L"BUTTON", "Always On Top", WS_TABSTOP | BS_3STATE | BS_MULTILINE, 3120, 1680, 1095, 615},
    {L"BUTTON", "OK", kButton, 4440, 1680, 1575, 615},
    {L"BUTTON", "START IIS SERVICE", kButton, 240, 1680, 1095, 615},
    {L"BUTTON", "STOP IIS SERVICE", kButton, 1680, 1680, 1095, 615},
    {L"STATIC", "HALWERK - TAVORI", kLabel, 120, 120, 6015, 435},
    {L"STATIC", "Version 1.0", kLabel, 120, 1080, 3015, 465},
    {L"STATIC", kCredit, kLabel, 120, 600, 6015, 450},
};
enum { kAlwaysOnTopId = 100, kOkId, kIisStartId, kIisStopId, kTitleId, kVersionId, kCreatorId };
constexpr int kDesignWidthTwips = 6255;
constexpr int kDesignHeightTwips = 2445;

}  // namespace

OptionsDialog::OptionsDialog(MainWindow& mainWindow, SettingsStore& settings)
    : mainWindow_(mainWindow), settings_(settings) {
    Create(L"TAVORI_OPTIONS", L"TAVORI - OPTIONS",
           WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_CLIPCHILDREN,
           mainWindow.Handle(), nullptr);
    buttonFont_ = win32::MakeFont(L"MS Shell Dlg", 8, false);  // the dialogs' classic font
    labelFont_ = win32::MakeFont(L"MS Sans Serif", 12, true);
    labelBrush_ = win32::MakeBrush(kLabelBackground);
    int id = kAlwaysOnTopId;
    for (const ControlLayout& control : kControls) {
        AddControl(id++, control.windowClass, control.text, control.style, 0, control.left,
                   control.top, control.width, control.height,
                   control.style == kLabel ? labelFont_.get() : buttonFont_.get());
    }
    alwaysOnTop_ = ::GetDlgItem(hwnd_, kAlwaysOnTopId);
    // Only the first run's size grows to fit this system's frame: a stored one is as dragged.
    const Placement firstRun =
        AtLeast(kFirstRunPlacement, LeastSize(kDesignWidthTwips, kDesignHeightTwips));
    SetPlacement(RestorePlacement(settings_, "OPTIONS", firstRun), firstRun);
    const CheckState box = ReadAlwaysOnTopBox(settings_);
    ::SendMessageW(alwaysOnTop_, BM_SETCHECK, static_cast<WPARAM>(box), 0);
    // Setting the box raises no click; one changed from cleared runs the switch as a click would.
    if (box != CheckState::Cleared) {
        ApplyAlwaysOnTop();
    }
}

void OptionsDialog::ShowModal() {
    ::EnableWindow(mainWindow_.Handle(), FALSE);
    ::ShowWindow(hwnd_, SW_SHOWNORMAL);
    while (!win32::PumpMessages(Destroyed())) {
        mainWindow_.Close();  // a WM_QUIT from another program: this dialog closes first
    }
}

LRESULT OptionsDialog::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam));
            return 0;
        case WM_CTLCOLORSTATIC:
            return OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        default:
            return Default(message, wParam, lParam);
    }
}

void OptionsDialog::OnCommand(int id, UINT code) {
    if (id == kCreatorId && code == STN_DBLCLK) {
        ::SetWindowTextW(::GetDlgItem(hwnd_, kCreatorId), win32::Widen(kContactAddress).c_str());
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
    // Cleared and ticked alternate; greyed (hand-edited) clears, as system boxes do.
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

void OptionsDialog::OnSessionEnd() {
    mainWindow_.Close();  // which closes this dialog first
}

void OptionsDialog::OnUnload() {
    SavePlacement(settings_, "OPTIONS", GetPlacement());
    // Enabled before the dialog goes, so that the activation returns to the main window.
    ::EnableWindow(mainWindow_.Handle(), TRUE);
}

}  // namespace tavori
