#pragma once

#include <windows.h>

#include <optional>
#include <string_view>

#include "core/colour.h"
#include "core/error.h"
#include "platform/handles.h"
#include "settings/placement.h"

namespace tavori::win32 {

// The program's one dispatcher: its fatal exit shows the error box and ends the process.
EventDispatcher& Dispatcher();

// The base of our two windows: bound at WM_NCCREATE; every message goes through the dispatcher.
class BaseWindow {
  public:
    BaseWindow(const BaseWindow&) = delete;
    BaseWindow& operator=(const BaseWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    const bool& Destroyed() const { return destroyed_; }  // set however it was destroyed
    void Close();  // unloads the window and destroys it, as its close box does

  protected:
    BaseWindow() = default;
    virtual ~BaseWindow();

    void Create(const wchar_t* className, const wchar_t* caption, DWORD style, HWND owner,
                HICON icon);
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    virtual void OnUnload() = 0;  // saves what it keeps; run once, whatever closes the window
    // WM_ENDSESSION for a session that ends: the program saves and ends as a close would, so
    // that it is sound whether Windows then ends the process or, sent by another program, not.
    virtual void OnSessionEnd() { Close(); }

    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
        return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    }

    // A child control laid out in twips; its identifier is its place in the tab order.
    HWND AddControl(int id, const wchar_t* windowClass, std::string_view text, DWORD style,
                    DWORD exStyle, int left, int top, int width, int height, HFONT font);

    // In twips; a window nobody moved gives back exactly what it was given, not it in pixels. A
    // size smaller than `least`, or than its caption and close box, opens at the first run's.
    void SetPlacement(Placement placement, const Placement& firstRun, const Placement& least = {});
    Placement GetPlacement() const;

    // The least outer size, in twips, holding every control and the design area inside this
    // system's frame: Windows 10 and 11 draw taller captions than the first-run sizes allow for.
    Placement LeastSize(int designWidth, int designHeight) const;
    static Placement AtLeast(Placement placement, const Placement& least);

    HWND hwnd_ = nullptr;

  private:
    void OnActivate(bool active);  // the focus returns to where it was, or to the first control
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept;

    bool unloaded_ = false;
    bool detached_ = false;
    bool destroyed_ = false;
    HWND lastFocus_ = nullptr;
    POINT layoutEnd_{};  // the controls' right and bottom edges, in client pixels
    std::optional<Placement> given_;
    RECT givenRect_{};
};

// The system substitutes a close face for a missing one.
UniqueFont MakeFont(const wchar_t* face, double points, bool bold);
UniqueBrush MakeBrush(Colour colour);

// Runs the messages, Tab and arrows as in dialogs, until `done` is set (true) or a WM_QUIT comes
// (false). Not on WM_QUIT alone: a modal loop of the system's (Wine's move and size loops at
// least) may take it and not post it again.
bool PumpMessages(const bool& done);

// The error box, then the end of the process: no window is destroyed and no unload runs.
[[noreturn]] void ShowFatalErrorAndExit(const std::string& message);

}  // namespace tavori::win32
