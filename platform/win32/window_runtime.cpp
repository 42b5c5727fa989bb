#include "platform/win32/window_runtime.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <optional>

#include "platform/error.h"
#include "platform/twips.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"
#include "res/resource.h"

namespace tavori::win32 {

namespace {

// Control identifiers start above IDOK and IDCANCEL, which the dialog keys send on their own.
constexpr int kFirstControlId = 100;

// Posted to a disabled window that was activated: pass the activation on to its dialog.
constexpr UINT kActivatePopupMessage = WM_APP + 1;

// A rectangle of screen pixels as twips.
Placement ScreenTwips(const RECT& rect, int dpi) {
    return {static_cast<float>(PixelsToTwips(rect.left, dpi)),
            static_cast<float>(PixelsToTwips(rect.top, dpi)),
            static_cast<float>(PixelsToTwips(rect.right - rect.left, dpi)),
            static_cast<float>(PixelsToTwips(rect.bottom - rect.top, dpi))};
}

enum class ControlKind { TextBox, Button, Label, CheckBox };

// What the window procedure needs to know of one child control.
struct Control {
    ControlKind kind;
    HWND hwnd = nullptr;
    Handler onClick;
    Handler onDoubleClick;
    bool coloured = false;
    Colour background = 0;
    Colour foreground = 0;
    UniqueBrush brush;

    void Paint(Colour colour) {
        UniqueBrush fresh(::CreateSolidBrush(colour));
        if (!fresh) {
            throw Error("Painting the window failed: Windows could not create a brush.",
                        "Close some programs to free graphics resources, then start TAVORI "
                        "again.");
        }
        brush = std::move(fresh);
        background = colour;
        coloured = true;
    }
};

class Win32TextBox final : public TextBox {
  public:
    explicit Win32TextBox(Control& control) : control_(control) {}

    void SetBackground(Colour colour) override {
        if (control_.coloured && control_.background == colour) {
            return;  // nothing to repaint
        }
        control_.Paint(colour);
        ::InvalidateRect(control_.hwnd, nullptr, TRUE);
    }
    Colour Background() const override { return control_.background; }

  private:
    Control& control_;
};

class Win32Label final : public Label {
  public:
    explicit Win32Label(Control& control) : control_(control) {}
    void SetCaption(std::string_view caption) override {
        ::SetWindowTextW(control_.hwnd, Widen(caption).c_str());
    }

  private:
    Control& control_;
};

class Win32CheckBox final : public CheckBox {
  public:
    explicit Win32CheckBox(Control& control) : control_(control) {}
    int Value() const override {
        return static_cast<int>(::SendMessageW(control_.hwnd, BM_GETCHECK, 0, 0));
    }
    void SetValue(int value) override {
        if (value < BST_UNCHECKED || value > BST_INDETERMINATE) {
            throw Error("A check box was given the value " + std::to_string(value) + ".",
                        "A check box can only be cleared (0), ticked (1) or greyed (2).");
        }
        ::SendMessageW(control_.hwnd, BM_SETCHECK, static_cast<WPARAM>(value), 0);
    }

  private:
    Control& control_;
};

class Win32Timer final : public Timer {
  public:
    Win32Timer(HWND window, UINT_PTR id, Handler onTick)
        : window_(window), id_(id), onTick_(std::move(onTick)) {}

    void SetInterval(unsigned milliseconds) override {
        interval_ = milliseconds;
        Apply();
    }
    void SetEnabled(bool enabled) override {
        enabled_ = enabled;
        Apply();
    }
    bool Enabled() const override { return enabled_; }

    const Handler& OnTick() const { return onTick_; }

  private:
    // Setting a timer that already runs restarts its period, as the interval change should.
    void Apply() {
        if (enabled_ && interval_ != 0) {
            if (::SetTimer(window_, id_, interval_, nullptr) == 0) {
                ThrowLastError("Starting a timer failed.");
            }
        } else {
            ::KillTimer(window_, id_);
        }
    }

    HWND window_;
    UINT_PTR id_;
    Handler onTick_;
    unsigned interval_ = 0;
    bool enabled_ = false;
};

struct FontKey {
    std::string face;
    double points;
    bool bold;
    bool operator==(const FontKey&) const = default;
};

// The window procedure of every top-level window of the program: a static thunk binds the C++
// object at WM_NCCREATE, and each message is forwarded to a named member.
class Win32Window final : public Window {
  public:
    Win32Window(Win32WindowRuntime& runtime, const WindowSpec& request, bool isMain)
        : runtime_(runtime), onUnload_(request.onUnload), isMain_(isMain) {
        DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_CLIPCHILDREN;
        if (request.frame == Frame::SizableToolWindow) {
            style |= WS_THICKFRAME;
        }
        const std::wstring className = Widen(request.className);
        const HWND created = ::CreateWindowExW(
            WS_EX_TOOLWINDOW | WS_EX_CONTROLPARENT, className.c_str(),
            Widen(request.caption).c_str(), style, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
            CW_USEDEFAULT, nullptr, nullptr, runtime_.Instance(), this);
        if (created == nullptr) {
            ThrowLastError("Creating the window \"" + std::string(request.caption) + "\" failed.");
        }
    }

    ~Win32Window() override {
        if (hwnd_ != nullptr) {
            // Destroyed without an unload, as when an error escapes the load: no handler may run
            // now, and no WM_QUIT may be posted, or the error's message box would close at once.
            onUnload_ = nullptr;
            isMain_ = false;
            ::DestroyWindow(hwnd_);
        }
    }

    // The object of one of our windows, or null for any other window.
    static Win32Window* FromHandle(HWND hwnd) {
        if (hwnd == nullptr || reinterpret_cast<WNDPROC>(::GetClassLongPtrW(hwnd, GCLP_WNDPROC)) !=
                                   &Win32Window::WindowProc) {
            return nullptr;
        }
        return reinterpret_cast<Win32Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    }

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept {
        Win32Window* self = nullptr;
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
            self = static_cast<Win32Window*>(create->lpCreateParams);
            self->hwnd_ = hwnd;
            ::SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        } else {
            self = reinterpret_cast<Win32Window*>(::GetWindowLongPtrW(hwnd, GWLP_USERDATA));
        }
        if (self == nullptr) {
            return ::DefWindowProcW(hwnd, message, wParam, lParam);
        }
        return self->HandleMessage(message, wParam, lParam);
    }

    TextBox& AddTextBox(const TextBoxSpec& request) override {
        Control& control = AddControl(ControlKind::TextBox, WS_EX_CLIENTEDGE, L"EDIT", request.text,
                                      WS_TABSTOP | ES_CENTER | ES_READONLY | ES_AUTOHSCROLL,
                                      request.at, request.font);
        control.onDoubleClick = request.onDoubleClick;
        control.Paint(request.background);
        // The rows are narrow: no inner margins, so that the longest service name fits.
        ::SendMessageW(control.hwnd, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, 0);
        // Edit controls report no double-clicks to their parent: hook the control itself.
        ::SetWindowSubclass(control.hwnd, &Win32Window::TextBoxProc, 0,
                            reinterpret_cast<DWORD_PTR>(&control));
        if (!request.tooltip.empty()) {
            AddTooltip(control.hwnd, request.tooltip);
        }
        textBoxes_.push_back(std::make_unique<Win32TextBox>(control));
        return *textBoxes_.back();
    }

    void AddButton(const ButtonSpec& request) override {
        Control& control =
            AddControl(ControlKind::Button, 0, L"BUTTON", request.caption,
                       WS_TABSTOP | BS_PUSHBUTTON | BS_MULTILINE, request.at, request.font);
        control.onClick = request.onClick;
    }

    Label& AddLabel(const LabelSpec& request) override {
        Control& control =
            AddControl(ControlKind::Label, 0, L"STATIC", request.caption,
                       SS_CENTER | SS_NOTIFY | SS_NOPREFIX | WS_BORDER, request.at, request.font);
        control.onDoubleClick = request.onDoubleClick;
        control.foreground = request.foreground;
        control.Paint(request.background);
        labels_.push_back(std::make_unique<Win32Label>(control));
        return *labels_.back();
    }

    CheckBox& AddCheckBox(const CheckBoxSpec& request) override {
        Control& control = AddControl(ControlKind::CheckBox, 0, L"BUTTON", request.caption,
                                      WS_TABSTOP | BS_3STATE | BS_MULTILINE, request.at, {});
        control.onClick = request.onClick;
        checkBoxes_.push_back(std::make_unique<Win32CheckBox>(control));
        return *checkBoxes_.back();
    }

    Timer& AddTimer(Handler onTick) override {
        const UINT_PTR id = timers_.size() + 1;
        timers_.push_back(std::make_unique<Win32Timer>(hwnd_, id, std::move(onTick)));
        return *timers_.back();
    }

    void SetPlacement(const Placement& placement) override {
        const int dpi = runtime_.Dpi();
        ::SetWindowPos(hwnd_, nullptr, TwipsToPixels(placement.left, dpi),
                       TwipsToPixels(placement.top, dpi), TwipsToPixels(placement.width, dpi),
                       TwipsToPixels(placement.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
        // 1000 twips is 66.67 pixels at 96 dpi: remember what was asked for, so that a window
        // nobody moved saves back exactly the placement it was given.
        givenPlacement_ = placement;
        ::GetWindowRect(hwnd_, &givenRect_);
    }

    Placement GetPlacement() const override {
        const RECT rect = RestoredRect();
        if (givenPlacement_ && ::EqualRect(&rect, &givenRect_)) {
            return *givenPlacement_;
        }
        return ScreenTwips(rect, runtime_.Dpi());
    }

    WindowHandle Handle() const override { return reinterpret_cast<WindowHandle>(hwnd_); }

    void Show() override {
        ::ShowWindow(hwnd_, SW_SHOWNORMAL);
        ::UpdateWindow(hwnd_);
    }

    void ShowModal(Window& owner) override {
        modalOwner_ = reinterpret_cast<HWND>(owner.Handle());
        ::SetWindowLongPtrW(hwnd_, GWLP_HWNDPARENT, reinterpret_cast<LONG_PTR>(modalOwner_));
        ::EnableWindow(modalOwner_, FALSE);
        Win32Window* const ownerWindow = FromHandle(modalOwner_);
        if (ownerWindow != nullptr) {
            ownerWindow->modalDialog_ = hwnd_;
        }
        Show();
        bool closed = false;
        closedFlag_ = &closed;
        if (!PumpMessages(&closed)) {
            ::PostQuitMessage(0);  // hand WM_QUIT on to the outer loop
        }
        closedFlag_ = nullptr;
        if (ownerWindow != nullptr) {
            ownerWindow->modalDialog_ = nullptr;
        }
    }

    void Close() override { Unload(); }

  private:
    RECT RestoredRect() const {
        RECT rect{};
        if (::IsIconic(hwnd_)) {
            // Windows parks a minimised window off screen; what counts is where it comes back.
            // A tool window's restored position is in screen coordinates, like GetWindowRect's.
            WINDOWPLACEMENT placement{};
            placement.length = sizeof placement;
            ::GetWindowPlacement(hwnd_, &placement);
            rect = placement.rcNormalPosition;
        } else {
            ::GetWindowRect(hwnd_, &rect);
        }
        return rect;
    }

    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) noexcept {
        switch (message) {
            case WM_COMMAND:
                OnCommand(HIWORD(wParam), reinterpret_cast<HWND>(lParam));
                return 0;
            case WM_CTLCOLORSTATIC:
            case WM_CTLCOLOREDIT:
                if (const Control* control = Find(reinterpret_cast<HWND>(lParam));
                    control != nullptr && control->coloured) {
                    return OnControlColour(*control, reinterpret_cast<HDC>(wParam));
                }
                break;
            case WM_TIMER:
                OnTimer(wParam);
                return 0;
            case WM_GETMINMAXINFO:
                OnGetMinMaxInfo(*reinterpret_cast<MINMAXINFO*>(lParam));
                return 0;
            case WM_ACTIVATE:
                OnActivate(LOWORD(wParam) != WA_INACTIVE);
                return 0;
            case kActivatePopupMessage:
                OnActivatePopup();
                return 0;
            case WM_CLOSE:
                OnClose();
                return 0;
            case WM_ENDSESSION:
                OnEndSession(wParam != FALSE);
                return 0;
            case WM_DESTROY:
                OnDestroy();
                return 0;
            case WM_NCDESTROY:
                ::SetWindowLongPtrW(hwnd_, GWLP_USERDATA, 0);
                hwnd_ = nullptr;
                break;
            default:
                break;
        }
        return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    }

    void OnCommand(UINT code, HWND from) {
        Control* control = Find(from);
        if (control == nullptr) {
            return;  // Enter and Escape arrive as IDOK and IDCANCEL from no control: ignored
        }
        switch (control->kind) {
            case ControlKind::Button:
                if (code == BN_CLICKED) {
                    Dispatch(control->onClick);
                }
                break;
            case ControlKind::CheckBox:
                if (code == BN_CLICKED) {
                    // A click toggles between cleared and ticked; a greyed box, which only an
                    // outside edit of the settings produces, clears as the system's own
                    // three-state boxes do after their greyed step.
                    const LRESULT value = ::SendMessageW(control->hwnd, BM_GETCHECK, 0, 0);
                    ::SendMessageW(control->hwnd, BM_SETCHECK,
                                   value == BST_UNCHECKED ? BST_CHECKED : BST_UNCHECKED, 0);
                    Dispatch(control->onClick);
                }
                break;
            case ControlKind::Label:
                if (code == STN_DBLCLK) {
                    Dispatch(control->onDoubleClick);
                }
                break;
            case ControlKind::TextBox:
                break;
        }
    }

    static LRESULT OnControlColour(const Control& control, HDC dc) {
        ::SetBkColor(dc, control.background);
        if (control.kind == ControlKind::Label) {
            ::SetTextColor(dc, control.foreground);
        }
        return reinterpret_cast<LRESULT>(control.brush.Get());
    }

    void OnTimer(WPARAM id) {
        if (id >= 1 && id <= timers_.size()) {
            Dispatch(timers_[id - 1]->OnTick());
        }
    }

    // Windows widens a captioned window to its minimum tracking size, which for a tool window
    // is wider than our 81-pixel column: the layout's size wins.
    static void OnGetMinMaxInfo(MINMAXINFO& info) {
        info.ptMinTrackSize.x = 1;
        info.ptMinTrackSize.y = 1;
    }

    // As a dialog does: the focus returns to the control that had it, or goes to the first one.
    void OnActivate(bool active) {
        if (active && !::IsWindowEnabled(hwnd_)) {
            // Activated while a modal dialog disables it (the always-on-top keeper's
            // SetWindowPos does this every second): hand the activation on to the dialog, as
            // Windows does for a click on a disabled owner, or the dialog loses the keyboard.
            // Posted, because activation must not change while this one is being delivered.
            ::PostMessageW(hwnd_, kActivatePopupMessage, 0, 0);
            return;
        }
        if (!active) {
            const HWND focus = ::GetFocus();
            if (focus != nullptr && ::IsChild(hwnd_, focus)) {
                lastFocus_ = focus;
            }
            return;
        }
        HWND target = lastFocus_;
        if (target == nullptr || !::IsWindow(target)) {
            target = ::GetNextDlgTabItem(hwnd_, nullptr, FALSE);
        }
        if (target != nullptr) {
            ::SetFocus(target);
        }
    }

    void OnActivatePopup() {
        if (modalDialog_ != nullptr && ::GetActiveWindow() == hwnd_) {
            ::SetActiveWindow(modalDialog_);
        }
    }

    void OnClose() { Unload(); }

    // Windows ends the process after the session-ending messages without destroying windows:
    // the unload has to happen here or not at all.
    void OnEndSession(bool ending) {
        if (ending) {
            RunUnloadOnce();
        }
    }

    void OnDestroy() {
        tooltip_.Reset();
        if (closedFlag_ != nullptr) {
            *closedFlag_ = true;
        }
        if (isMain_) {
            ::PostQuitMessage(0);
        }
    }

    // The session end and the close that may follow it save the placement once.
    void RunUnloadOnce() {
        if (!unloaded_) {
            unloaded_ = true;
            Dispatch(onUnload_);
        }
    }

    void Unload() {
        if (hwnd_ == nullptr) {
            return;
        }
        RunUnloadOnce();
        if (modalOwner_ != nullptr) {
            // Enabled before this window goes, so that the activation returns to the owner.
            ::EnableWindow(modalOwner_, TRUE);
        }
        ::DestroyWindow(hwnd_);
    }

    void Dispatch(const Handler& handler) { runtime_.Dispatcher().Dispatch(handler); }

    Control& AddControl(ControlKind kind, DWORD exStyle, const wchar_t* windowClass,
                        std::string_view text, DWORD style, const ControlRect& at,
                        const FontSpec& font) {
        const int dpi = runtime_.Dpi();
        auto control = std::make_unique<Control>();
        control->kind = kind;
        const int id = kFirstControlId + static_cast<int>(controls_.size());
        control->hwnd = ::CreateWindowExW(
            exStyle, windowClass, Widen(text).c_str(), WS_CHILD | WS_VISIBLE | style,
            TwipsToPixels(at.left, dpi), TwipsToPixels(at.top, dpi), TwipsToPixels(at.width, dpi),
            TwipsToPixels(at.height, dpi), hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)),
            runtime_.Instance(), nullptr);
        if (control->hwnd == nullptr) {
            ThrowLastError("Creating the control \"" + std::string(text) + "\" failed.");
        }
        ::SendMessageW(control->hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(FontFor(font)), FALSE);
        controls_.push_back(std::move(control));
        return *controls_.back();
    }

    HFONT FontFor(const FontSpec& request) {
        FontKey key{std::string(request.face), request.points, request.bold};
        for (const auto& [known, font] : fonts_) {
            if (known == key) {
                return font.Get();
            }
        }
        LOGFONTW logFont{};
        // The dialogs' classic default, 8-point MS Shell Dlg, stands in for an empty face. GDI
        // maps a face the system lacks (MS Sans Serif on newer Windows) to its registered
        // substitute.
        const FontSpec wanted = request.face.empty() ? FontSpec{"MS Shell Dlg", 8, false} : request;
        logFont.lfHeight = -static_cast<LONG>(std::lround(wanted.points * runtime_.Dpi() / 72));
        logFont.lfWeight = wanted.bold ? FW_BOLD : FW_NORMAL;
        logFont.lfCharSet = DEFAULT_CHARSET;
        Widen(wanted.face).copy(logFont.lfFaceName, LF_FACESIZE - 1);
        UniqueFont font(::CreateFontIndirectW(&logFont));
        if (!font) {
            throw Error("Creating the font \"" + key.face + "\" failed.",
                        "Close some programs to free graphics resources, then start TAVORI "
                        "again.");
        }
        fonts_.emplace_back(std::move(key), std::move(font));
        return fonts_.back().second.Get();
    }

    void AddTooltip(HWND tool, std::string_view text) {
        if (!tooltip_) {
            // Not owned by this window: Wine files a window's owned popups between it and the
            // topmost band, so a topmost tooltip owned by the main window would keep the
            // always-on-top keeper from ever making it topmost. Nothing on Windows needs the
            // owner; this window destroys the tooltip itself.
            tooltip_.Reset(::CreateWindowExW(
                WS_EX_TOPMOST | WS_EX_TOOLWINDOW, TOOLTIPS_CLASSW, nullptr,
                WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT, CW_USEDEFAULT,
                CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, runtime_.Instance(), nullptr));
            if (!tooltip_) {
                ThrowLastError("Creating the tooltips failed.");
            }
        }
        std::wstring wide = Widen(text);
        TOOLINFOW info{};
        info.cbSize = sizeof info;
        info.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
        info.hwnd = hwnd_;
        info.uId = reinterpret_cast<UINT_PTR>(tool);
        info.lpszText = wide.data();  // the tooltip keeps its own copy
        ::SendMessageW(tooltip_.Get(), TTM_ADDTOOLW, 0, reinterpret_cast<LPARAM>(&info));
    }

    Control* Find(HWND hwnd) {
        if (hwnd == nullptr) {
            return nullptr;
        }
        for (const auto& control : controls_) {
            if (control->hwnd == hwnd) {
                return control.get();
            }
        }
        return nullptr;
    }

    static LRESULT CALLBACK TextBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam,
                                        UINT_PTR, DWORD_PTR data) noexcept {
        if (message == WM_NCDESTROY) {
            ::RemoveWindowSubclass(hwnd, &Win32Window::TextBoxProc, 0);
        }
        // The control does its own work first, so a double-click still selects as usual.
        const LRESULT result = ::DefSubclassProc(hwnd, message, wParam, lParam);
        if (message == WM_LBUTTONDBLCLK) {
            const auto* control = reinterpret_cast<const Control*>(data);
            const HWND parent = ::GetParent(hwnd);
            if (auto* window =
                    reinterpret_cast<Win32Window*>(::GetWindowLongPtrW(parent, GWLP_USERDATA))) {
                window->Dispatch(control->onDoubleClick);
            }
        }
        return result;
    }

    Win32WindowRuntime& runtime_;
    HWND hwnd_ = nullptr;
    UniqueWindow tooltip_;
    HWND lastFocus_ = nullptr;
    HWND modalOwner_ = nullptr;
    HWND modalDialog_ = nullptr;  // the dialog shown modally over this window, while it is up
    bool* closedFlag_ = nullptr;
    std::optional<Placement> givenPlacement_;
    RECT givenRect_{};
    Handler onUnload_;
    bool isMain_;  // its destruction ends the message loop
    bool unloaded_ = false;
    std::vector<std::unique_ptr<Control>> controls_;
    std::vector<std::unique_ptr<Win32TextBox>> textBoxes_;
    std::vector<std::unique_ptr<Win32Label>> labels_;
    std::vector<std::unique_ptr<Win32CheckBox>> checkBoxes_;
    std::vector<std::unique_ptr<Win32Timer>> timers_;
    std::vector<std::pair<FontKey, UniqueFont>> fonts_;
};

bool IsOurWindow(HWND hwnd) {
    return Win32Window::FromHandle(hwnd) != nullptr;
}

}  // namespace

Win32WindowRuntime::Win32WindowRuntime(HINSTANCE instance, EventDispatcher& dispatcher)
    : instance_(instance), dispatcher_(dispatcher) {
    const WindowDC screen(nullptr);
    dpi_ = ::GetDeviceCaps(screen.Get(), LOGPIXELSY);
    if (dpi_ <= 0) {
        dpi_ = 96;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
    ::InitCommonControlsEx(&controls);
}

void Win32WindowRuntime::RegisterWindowClass(const std::wstring& className, bool programIcon) {
    if (std::find(registeredClasses_.begin(), registeredClasses_.end(), className) !=
        registeredClasses_.end()) {
        return;
    }
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = &Win32Window::WindowProc;
    windowClass.hInstance = instance_;
    windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = className.c_str();
    if (programIcon) {
        // Shared icons belong to the system: nothing to free.
        windowClass.hIcon = static_cast<HICON>(::LoadImageW(
            instance_, MAKEINTRESOURCEW(IDI_TAVORI), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
        windowClass.hIconSm = static_cast<HICON>(::LoadImageW(
            instance_, MAKEINTRESOURCEW(IDI_TAVORI), IMAGE_ICON, ::GetSystemMetrics(SM_CXSMICON),
            ::GetSystemMetrics(SM_CYSMICON), LR_SHARED));
    }
    if (::RegisterClassExW(&windowClass) == 0) {
        ThrowLastError("Registering the window class " + Narrow(className) + " failed.");
    }
    registeredClasses_.push_back(className);
}

std::unique_ptr<Window> Win32WindowRuntime::CreateTopLevel(const WindowSpec& request) {
    RegisterWindowClass(Widen(request.className), request.programIcon);
    const bool isMain = !mainWindowCreated_;
    mainWindowCreated_ = true;
    return std::make_unique<Win32Window>(*this, request, isMain);
}

void Win32WindowRuntime::RunMessageLoop() {
    PumpMessages(nullptr);
}

namespace {

struct CollectedMonitors {
    int dpi;
    std::vector<MonitorArea> monitors;
    bool outOfMemory = false;
};

// No exception may unwind through EnumDisplayMonitors: a failure is carried out instead.
BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, RECT*, LPARAM data) noexcept {
    auto& into = *reinterpret_cast<CollectedMonitors*>(data);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (::GetMonitorInfoW(monitor, &info)) {
        try {
            into.monitors.push_back(
                {ScreenTwips(info.rcMonitor, into.dpi), ScreenTwips(info.rcWork, into.dpi)});
        } catch (const std::bad_alloc&) {
            into.outOfMemory = true;
            return FALSE;
        }
    }
    return TRUE;
}

}  // namespace

std::vector<MonitorArea> Win32WindowRuntime::Monitors() const {
    CollectedMonitors collected{dpi_, {}};
    ::EnumDisplayMonitors(nullptr, nullptr, &CollectMonitor, reinterpret_cast<LPARAM>(&collected));
    if (collected.outOfMemory) {
        throw std::bad_alloc();
    }
    return collected.monitors;
}

bool PumpMessages(const bool* until) {
    MSG message{};
    while (until == nullptr || !*until) {
        const BOOL got = ::GetMessageW(&message, nullptr, 0, 0);
        if (got == 0 || got == -1) {
            return false;
        }
        const HWND root = ::GetAncestor(message.hwnd, GA_ROOT);
        if (IsOurWindow(root) && ::IsDialogMessageW(root, &message)) {
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    return true;
}

}  // namespace tavori::win32
