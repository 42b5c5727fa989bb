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

// The base of our two windows: a static thunk binds the object at WM_NCCREATE, and every message
// goes through the dispatcher to HandleMessage, which forwards it to a named member.
class BaseWindow {
  public:
    BaseWindow(const BaseWindow&) = delete;
    BaseWindow& operator=(const BaseWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    // Set once the window has been destroyed, however that came about.
    const bool& Destroyed() const { return destroyed_; }

    // Unloads the window and destroys it, as its close box does.
    void Close();

  protected:
    BaseWindow() = default;
    virtual ~BaseWindow();

    void Create(const wchar_t* className, const wchar_t* caption, DWORD style, HWND owner,
                HICON icon);
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Saves what the window keeps; run once, whatever closes the window.
    virtual void OnUnload() = 0;
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

    // The least outer size, in twips, whose client area holds every control and the design area
    // (in twips) inside the frame this system draws for the window's styles at its DPI: Windows
    // 10 and 11 draw taller captions than the twips of the first-run sizes allow for.
    Placement LeastSize(int designWidth, int designHeight) const;
    static Placement AtLeast(Placement placement, const Placement& least);

    HWND hwnd_ = nullptr;

  private:
    // The focus returns to the control that had it, or goes to the first one.
    void OnActivate(bool active);
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

// A font of the given face (the system substitutes a close one where it is missing).
UniqueFont MakeFont(const wchar_t* face, double points, bool bold);
UniqueBrush MakeBrush(Colour colour);

// Runs the messages, Tab and arrows as in dialogs, until `done` is set after one of them (true)
// or a WM_QUIT comes (false). Whatever runs a modal loop of its own (the system's move and size
// loops, Wine's at least) may take a WM_QUIT and not post it again: a loop that waited for one
// alone could wait for ever.
bool PumpMessages(const bool& done);

// The error box, then the end of the process: no window is destroyed and no unload runs.
[[noreturn]] void ShowFatalErrorAndExit(const std::string& message);

}  // namespace tavori::win32
