#include "ui/main_window.h"

#include <commctrl.h>

#include <utility>

#include "core/timers.h"
#include "platform/process.h"
#include "platform/system_error.h"
#include "platform/text.h"
#include "platform/wmi.h"
#include "res/resource.h"
#include "settings/settings.h"
#include "ui/options_dialog.h"

namespace tavori {

namespace {

constexpr int kRowPitchTwips = 360;
constexpr int kRowHeightTwips = 285;
constexpr int kClientWidthTwips = 1095;
constexpr UINT kWatchIntervalMs = 1000;
constexpr UINT kAlwaysOnTopIntervalMs = 1000;
constexpr Colour kRowText = 0;  // black: the rows' backgrounds are always light
static_assert(kNoSizeNoMove == (SWP_NOSIZE | SWP_NOMOVE) && kNoActivate == SWP_NOACTIVATE &&
              kAsync == SWP_ASYNCWINDOWPOS);

// Controls in tab order from 100, above IDOK and IDCANCEL; timers: watchers 1 to 7, then keeper.
constexpr int kFirstRowId = 100;
constexpr int kOptionsButtonId = kFirstRowId + static_cast<int>(kWatchedServices.size());
constexpr UINT_PTR kAlwaysOnTopTimer = kWatchedServices.size() + 1;

}  // namespace

MainWindow::MainWindow(SettingsStore& settings) : settings_(settings) {
    const auto icon =
        static_cast<HICON>(::LoadImageW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_TAVORI),
                                        IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    Create(L"TAVORI_MAIN", L"TAVORI", WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN,
           nullptr, icon);
    font_ = win32::MakeFont(L"MS Sans Serif", 8.25, true);
    // Unowned: Wine files owned popups between their owner and the topmost band, so an owned
    // topmost tooltip would keep the keeper from ever making this window topmost.
    tooltip_.reset(::CreateWindowExW(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TOOLTIPS_CLASSW, nullptr,
                                     WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                     CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr,
                                     ::GetModuleHandleW(nullptr), nullptr));
    if (!tooltip_) {
        win32::ThrowLastError([] { return "Creating the tooltips failed."; });
    }
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        ServiceRowControl& row = rows_[i];
        row.brush = win32::MakeBrush(row.colour);
        row.box = AddControl(
            kFirstRowId + static_cast<int>(i), L"EDIT", kWatchedServices[i].serviceName,
            WS_TABSTOP | ES_CENTER | ES_READONLY | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 0,
            static_cast<int>(i) * kRowPitchTwips, kClientWidthTwips, kRowHeightTwips, font_.get());
        // The rows are narrow: no inner margins, so that the longest service name fits.
        ::SendMessageW(row.box, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
        // Edit controls report no double-clicks to their parent: hook the control itself.
        ::SetWindowSubclass(row.box, &MainWindow::RowProc, i, reinterpret_cast<DWORD_PTR>(this));
        std::wstring tip = win32::Widen(kWatchedServices[i].description);  // the tooltip copies it
        TOOLINFOW info{};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = hwnd_;
        info.uId = reinterpret_cast<UINT_PTR>(row.box);
        info.lpszText = tip.data();
        ::SendMessageW(tooltip_.get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }
    AddControl(kOptionsButtonId, L"BUTTON", "OPTIONS", WS_TABSTOP | BS_PUSHBUTTON, 0, 0, 2520,
               kClientWidthTwips, 255, font_.get());
    // Not sizable: a smaller stored size (saved under a thinner frame) opens at the first run's.
    const Placement least = LeastSize(kClientWidthTwips, 0);
    const Placement firstRun = AtLeast(kFirstRunPlacement, least);
    SetPlacement(RestorePlacement(settings_, "", firstRun), firstRun, least);
    for (std::size_t i = 0; i < rows_.size(); ++i) {
        if (::SetTimer(hwnd_, i + 1, kWatchIntervalMs, nullptr) == 0) {
            win32::ThrowLastError([&] {
                return "Starting the watcher of " + std::string(kWatchedServices[i].serviceName) +
                       " failed.";
            });
        }
    }
    SetAlwaysOnTop(ReadKeeperOnAtStart(settings_));
}

void MainWindow::SetAlwaysOnTop(bool on) {
    const bool wasOn = std::exchange(keeperOn_, on);
    if (!on) {
        ::KillTimer(hwnd_, kAlwaysOnTopTimer);
        if (wasOn) {
            ::SetWindowPos(hwnd_, HWND_NOTOPMOST, 0, 0, 0, 0,
                           SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        }
    } else if (::SetTimer(hwnd_, kAlwaysOnTopTimer, kAlwaysOnTopIntervalMs, nullptr) == 0) {
        win32::ThrowLastError([] { return "Starting the always-on-top timer failed."; });
    }
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == kAlwaysOnTopTimer) {
                OnAlwaysOnTopTick();
            } else if (wParam >= 1 && wParam <= rows_.size()) {
                OnWatchTick(wParam - 1);
            }
            return 0;
        case WM_COMMAND:
            // Enter and Escape arrive as IDOK and IDCANCEL from no control: ignored.
            if (LOWORD(wParam) == kOptionsButtonId && HIWORD(wParam) == BN_CLICKED) {
                OnOptionsClick();
            }
            return 0;
        case WM_CTLCOLORSTATIC:  // what a read-only edit control sends
            return OnControlColour(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
        case WM_GETMINMAXINFO:
            // The minimum tracking size of a tool window is wider than this 81-pixel column.
            reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = {1, 1};
            return 0;
        case WM_DESTROY:
            tooltip_.reset();
            // Ends Wine's move and size loops, which end at a button-up, a key or WM_QUIT, not when
            // the window goes; they may keep the WM_QUIT, so our loops end on Destroyed().
            ::PostQuitMessage(0);
            return 0;
        default:
            return Default(message, wParam, lParam);
    }
}

void MainWindow::OnWatchTick(std::size_t row) {
    ServiceRowControl& state = rows_[row];
    if (TickProbes(::GetTickCount64(), state.answeredAt, probing_, kWatchIntervalMs)) {
        probing_ = true;  // left set by a failed probe: the program then ends
        state.answer = win32::IsProcessRunning(kWatchedServices[row].probeImageName);
        probing_ = false;
        state.answeredAt = ::GetTickCount64();
    }
    // On every tick, probed or not: an answer grown old while other probes waited is none.
    const Colour colour =
        RowColour(state.answer, state.answeredAt ? ::GetTickCount64() - *state.answeredAt : 0);
    if (colour != state.colour) {  // an unchanged colour needs no new brush or repaint
        state.brush = win32::MakeBrush(colour);
        state.colour = colour;
        ::InvalidateRect(state.box, nullptr, TRUE);
        ::NotifyWinEvent(EVENT_OBJECT_VALUECHANGE, state.box, OBJID_CLIENT, CHILDID_SELF);
    }
}

void MainWindow::OnAlwaysOnTopTick() {
    KeeperTick(
        keeperOn_, hwnd_, [] { return ::GetForegroundWindow(); },
        [this](HWND window) {
            // Up the owners: GA_ROOTOWNER follows pop-ups' only, and the dialog is none.
            while (window != nullptr) {
                window = ::GetWindow(window, GW_OWNER);
                if (window == hwnd_) {
                    return true;
                }
            }
            return false;
        },
        [](HWND window) {
            wchar_t name[32] = {};
            ::GetClassNameW(window, name, 32);
            return window == ::GetShellWindow() || ::lstrcmpiW(name, L"Shell_TrayWnd") == 0 ||
                   ::lstrcmpiW(name, L"Shell_SecondaryTrayWnd") == 0;
        },
        [](HWND window, Band band, unsigned flags) {
            ::SetWindowPos(window, reinterpret_cast<HWND>(static_cast<INT_PTR>(band)), 0, 0, 0, 0,
                           flags);
        });
}

RowWords MainWindow::Words(std::size_t row) const {
    return DescribeRow(kWatchedServices[row], rows_[row].colour);
}

void MainWindow::DoDefaultAction(std::size_t row) {
    win32::RunServiceCommand(ToggleCommand(kWatchedServices[row], rows_[row].colour));
}

void MainWindow::OnOptionsClick() {
    if (optionsDialog_ != nullptr) {
        return;  // a click that another program posted while the dialog is open
    }
    OptionsDialog dialog(*this, settings_);
    optionsDialog_ = &dialog;
    dialog.ShowModal();
    optionsDialog_ = nullptr;
}

LRESULT MainWindow::OnControlColour(HDC dc, HWND control) {
    const auto row = static_cast<std::size_t>(::GetDlgCtrlID(control) - kFirstRowId);
    if (row < rows_.size()) {
        ::SetBkColor(dc, rows_[row].colour);
        ::SetTextColor(dc, kRowText);  // a high-contrast theme's text could be white
        return reinterpret_cast<LRESULT>(rows_[row].brush.get());
    }
    return Default(WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                   reinterpret_cast<LPARAM>(control));
}

void MainWindow::OnUnload() {
    // Closed by another program under the dialog: the dialog, else gone unsaved, closes first.
    if (optionsDialog_ != nullptr) {
        optionsDialog_->Close();
    }
    SavePlacement(settings_, "", GetPlacement());
}

LRESULT CALLBACK MainWindow::RowProc(HWND box, UINT message, WPARAM wParam, LPARAM lParam,
                                     UINT_PTR row, DWORD_PTR window) noexcept {
    if (message == WM_NCDESTROY) {
        ::RemoveWindowSubclass(box, &MainWindow::RowProc, row);
    }
    auto& self = *reinterpret_cast<MainWindow*>(window);
    // On 64-bit Windows MSAA sends OBJID_CLIENT as 0x00000000FFFFFFFC: compared as 32 bits.
    if (message == WM_GETOBJECT && static_cast<DWORD>(lParam) == static_cast<DWORD>(OBJID_CLIENT)) {
        if (const LRESULT answer = win32::AnswerAccessibleObject(box, wParam, self, row)) {
            return answer;
        }
    }
    // The control does its own work first, so a double-click still selects as usual.
    const LRESULT result = ::DefSubclassProc(box, message, wParam, lParam);
    if (message == WM_LBUTTONDBLCLK) {
        win32::Dispatcher().Dispatch([&] { self.DoDefaultAction(row); });
    }
    return result;
}

}  // namespace tavori
