#include "platform/window.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

#include "platform/system_error.h"
#include "platform/text.h"

namespace tavori::win32 {

namespace {

// The screen's dots per inch, at which every twips value is converted.
int SystemDpi() {
    static const int dpi = [] {
        const UniqueScreenDC screen(::GetDC(nullptr));
        const int found = screen ? ::GetDeviceCaps(screen.get(), LOGPIXELSY) : 0;
        return found > 0 ? found : 96;
    }();
    return dpi;
}

Placement ScreenTwips(const RECT& rect) {
    const auto twips = [](int pixels) {
        return static_cast<float>(PixelsToTwips(pixels, SystemDpi()));
    };
    return {twips(rect.left), twips(rect.top), twips(rect.right - rect.left),
            twips(rect.bottom - rect.top)};
}

// The outer frame, in twips, that the window's styles draw around `client`.
Placement OuterTwips(HWND window, RECT client) {
    ::AdjustWindowRectEx(&client, static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_STYLE)), FALSE,
                         static_cast<DWORD>(::GetWindowLongPtrW(window, GWL_EXSTYLE)));
    return ScreenTwips(client);
}

struct Monitors {
    MonitorArea areas[32];
    std::size_t count = 0;
};

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, RECT*, LPARAM data) noexcept {
    auto& found = *reinterpret_cast<Monitors*>(data);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (::GetMonitorInfoW(monitor, &info)) {
        found.areas[found.count++] = {ScreenTwips(info.rcMonitor), ScreenTwips(info.rcWork)};
    }
    return found.count < std::size(found.areas);
}

// The smallest frame of this window's style that still shows its caption bar and close box.
CaptionFrame CaptionFrameOf(HWND window) {
    const Placement size = OuterTwips(window, {0, 0, ::GetSystemMetrics(SM_CXSMSIZE), 0});
    const float border = size.top + size.height;  // as thick at the top as at the bottom
    return {size.width, size.height, border, -size.top - border,
            static_cast<float>(PixelsToTwips(1, SystemDpi()))};
}

// Whether the frame offers a system command. Wine 8 carries out any another program sends: then
// minimised, a window with no task-bar button is lost; maximised or sized, it stays so, saved.
bool FrameOffers(HWND window, WPARAM command) {
    command &= 0xFFF0;  // the low four bits are the system's own
    const DWORD needs = command == SC_MINIMIZE   ? WS_MINIMIZEBOX
                        : command == SC_MAXIMIZE ? WS_MAXIMIZEBOX
                        : command == SC_SIZE     ? WS_THICKFRAME
                                                 : 0;
    return (::GetWindowLongPtrW(window, GWL_STYLE) & needs) == needs;
}

}  // namespace

EventDispatcher& Dispatcher() {
    static EventDispatcher dispatcher(&ShowFatalErrorAndExit);
    return dispatcher;
}

BaseWindow::~BaseWindow() {
    if (hwnd_ != nullptr) {
        // A failed load: nothing is saved, and the derived window's members are gone.
        detached_ = true;
        ::DestroyWindow(hwnd_);
    }
}

void BaseWindow::Create(const wchar_t* className, const wchar_t* caption, DWORD style, HWND owner,
                        HICON icon) {
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &BaseWindow::WindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = icon;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className;
    if (::RegisterClassExW(&windowClass) == 0 && ::GetLastError() != ERROR_CLASS_ALREADY_EXISTS) {
        ThrowLastError(
            [&] { return "Registering the window class " + Narrow(className) + " failed."; });
    }
    if (::CreateWindowExW(WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT, className, caption, style,
                          CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner,
                          nullptr, instance, this) == nullptr) {
        ThrowLastError([&] { return "Creating the window \"" + Narrow(caption) + "\" failed."; });
    }
}

LRESULT CALLBACK BaseWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                        LPARAM lParam) noexcept {
    if (message == WM_NCCREATE) {
        auto* self =
            static_cast<BaseWindow*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        self->hwnd_ = hwnd;
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<BaseWindow*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (self != nullptr && message == WM_NCDESTROY) {
        ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;  // the default processing below still gets the window's handle
        self->destroyed_ = true;
        self = nullptr;
    }
    if (self == nullptr || self->detached_ || Dispatcher().Failed()) {
        return ::DefWindowProcW(hwnd, message, wParam, lParam);
    }
    LRESULT result = 0;
    bool handled = false;
    Dispatcher().Dispatch([&] {
        switch (message) {
            case WM_CLOSE:
                self->Close();
                break;
            case WM_ENDSESSION:
                if (wParam != FALSE) {
                    self->OnSessionEnd();
                }
                break;
            case WM_ACTIVATE:  // as a dialog does: the focus returns where it was
                self->OnActivate(LOWORD(wParam) != WA_INACTIVE);
                break;
            default:
                // A system command the frame does not offer is refused, as its greyed menu item.
                if (message != WM_SYSCOMMAND || FrameOffers(hwnd, wParam)) {
                    result = self->HandleMessage(message, wParam, lParam);
                }
                break;
        }
        handled = true;
    });
    return handled ? result : ::DefWindowProcW(hwnd, message, wParam, lParam);
}

void BaseWindow::Close() {
    if (hwnd_ == nullptr) {
        return;
    }
    if (!std::exchange(unloaded_, true)) {
        OnUnload();
    }
    ::DestroyWindow(hwnd_);
}

HWND BaseWindow::AddControl(int id, const wchar_t* windowClass, std::string_view text, DWORD style,
                            DWORD exStyle, int left, int top, int width, int height, HFONT font) {
    const int dpi = SystemDpi();
    const RECT rect{TwipsToPixels(left, dpi), TwipsToPixels(top, dpi),
                    TwipsToPixels(left, dpi) + TwipsToPixels(width, dpi),
                    TwipsToPixels(top, dpi) + TwipsToPixels(height, dpi)};
    const HWND control = ::CreateWindowExW(
        exStyle, windowClass, Widen(text).c_str(), WS_CHILD | WS_VISIBLE | style, rect.left,
        rect.top, rect.right - rect.left, rect.bottom - rect.top, hwnd_,
        reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), ::GetModuleHandleW(nullptr), nullptr);
    if (control == nullptr) {
        ThrowLastError(
            [&] { return "Creating the control \"" + std::string(text) + "\" failed."; });
    }
    ::SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
    layoutEnd_ = {std::max<LONG>(layoutEnd_.x, rect.right),
                  std::max<LONG>(layoutEnd_.y, rect.bottom)};
    return control;
}

Placement BaseWindow::LeastSize(int designWidth, int designHeight) const {
    const int dpi = SystemDpi();
    const Placement size =
        OuterTwips(hwnd_, {0, 0, std::max<LONG>(TwipsToPixels(designWidth, dpi), layoutEnd_.x),
                           std::max<LONG>(TwipsToPixels(designHeight, dpi), layoutEnd_.y)});
    return {0, 0, size.width, size.height};
}

Placement BaseWindow::AtLeast(Placement placement, const Placement& least) {
    placement.width = std::max(placement.width, least.width);
    placement.height = std::max(placement.height, least.height);
    return placement;
}

void BaseWindow::SetPlacement(Placement placement, const Placement& firstRun,
                              const Placement& least) {
    Monitors monitors;
    ::EnumDisplayMonitors(nullptr, nullptr, &CollectMonitor, reinterpret_cast<LPARAM>(&monitors));
    CaptionFrame frame = CaptionFrameOf(hwnd_);
    frame.minWidth = std::max(frame.minWidth, least.width);
    frame.minHeight = std::max(frame.minHeight, least.height);
    placement = KeepOnScreen(placement, firstRun, frame, std::span(monitors.areas, monitors.count));
    const int dpi = SystemDpi();
    ::SetWindowPos(hwnd_, nullptr, TwipsToPixels(placement.left, dpi),
                   TwipsToPixels(placement.top, dpi), TwipsToPixels(placement.width, dpi),
                   TwipsToPixels(placement.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
    given_ = placement;
    ::GetWindowRect(hwnd_, &givenRect_);
}

Placement BaseWindow::GetPlacement() const {
    RECT rect{};
    if (::IsIconic(hwnd_)) {
        // Where a minimised window comes back (a tool window's is in screen coordinates).
        WINDOWPLACEMENT placement{};
        placement.length = sizeof placement;
        ::GetWindowPlacement(hwnd_, &placement);
        rect = placement.rcNormalPosition;
    } else {
        ::GetWindowRect(hwnd_, &rect);
    }
    return given_ && ::EqualRect(&rect, &givenRect_) ? *given_ : ScreenTwips(rect);
}

void BaseWindow::OnActivate(bool active) {
    if (!active) {
        const HWND focus = ::GetFocus();
        if (focus != nullptr && ::IsChild(hwnd_, focus)) {
            lastFocus_ = focus;
        }
        return;
    }
    if (::IsIconic(hwnd_)) {
        return;  // the focus moves when the window is restored
    }
    const HWND target = lastFocus_ != nullptr && ::IsWindow(lastFocus_)
                            ? lastFocus_
                            : ::GetNextDlgTabItem(hwnd_, nullptr, FALSE);
    if (target != nullptr) {
        ::SetFocus(target);
    }
}

template <typename Unique>
Unique GdiObject(Unique made) {
    if (!made) {
        throw Error("Painting the window failed: Windows could not make a font or brush.",
                    "Close some programs to free graphics resources, then start TAVORI again.");
    }
    return made;
}

UniqueFont MakeFont(const wchar_t* face, double points, bool bold) {
    LOGFONTW logFont{};
    logFont.lfHeight = -static_cast<LONG>(std::lround(points * SystemDpi() / 72));
    logFont.lfWeight = bold ? FW_BOLD : FW_NORMAL;
    logFont.lfCharSet = DEFAULT_CHARSET;
    ::lstrcpynW(logFont.lfFaceName, face, LF_FACESIZE);
    return GdiObject(UniqueFont(::CreateFontIndirectW(&logFont)));
}

UniqueBrush MakeBrush(Colour colour) {
    return GdiObject(UniqueBrush(::CreateSolidBrush(colour)));
}

bool PumpMessages(const bool& done) {
    MSG message{};
    while (!done) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            return false;
        }
        // Our windows are the ones with a tab order: tooltips and message boxes keep theirs.
        const HWND root = ::GetAncestor(message.hwnd, GA_ROOT);
        if (root != nullptr && (::GetWindowLongPtrW(root, GWL_EXSTYLE) & WS_EX_CONTROLPARENT) &&
            ::IsDialogMessageW(root, &message)) {
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return true;
}

void ShowFatalErrorAndExit(const std::string& message) {
    // Task-modal with no owner: every window of ours is disabled while the box is up.
    ::MessageBoxW(nullptr, Widen(message).c_str(), L"TAVORI",
                  MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
    ::ExitProcess(1);
}

}  // namespace tavori::win32
