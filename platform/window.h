#pragma once

#include <windows.h>

#include <optional>
#include <string_view>
#include <vector>

#include "core/catalogue.h"
#include "core/error.h"
#include "platform/handles.h"
#include "settings/placement.h"

namespace tavori::win32 {

// The program's one dispatcher: its fatal exit shows the error box and ends the process.
EventDispatcher& Dispatcher();

// The base of our two windows, in the manner of a classic BaseWindow: a static thunk binds the
// object to its HWND at WM_NCCREATE, and every message goes through the dispatcher to
// HandleMessage, which forwards it to a named member of the window. The object outlives its
// window: destroying it destroys a window still there.
class BaseWindow {
  public:
    BaseWindow(const BaseWindow&) = delete;
    BaseWindow& operator=(const BaseWindow&) = delete;

    HWND Handle() const { return hwnd_; }
    static bool IsOurs(HWND window);

    // Unloads the window and destroys it, as its close box does.
    void Close();

  protected:
    BaseWindow() = default;
    virtual ~BaseWindow();

    // Registers the class on first use. The window is created hidden.
    void Create(const wchar_t* className, const wchar_t* caption, DWORD style, HWND owner,
                HICON icon);
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) = 0;
    // Saves what the window keeps; run once, whatever closes the window.
    virtual void OnUnload() = 0;
    // Run after the unload, just before the window is destroyed.
    virtual void OnClosing() {}

    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
        return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    }

    // A child control laid out in twips; its identifier is its place in the tab order.
    HWND AddControl(int id, const wchar_t* windowClass, std::string_view text, DWORD style,
                    DWORD exStyle, int left, int top, int width, int height, HFONT font);

    // Where the window is in twips, or where a minimised one comes back. A window nobody moved
    // gives back exactly the placement it was given, not that placement rounded to pixels.
    void SetPlacement(Placement placement, const Placement& firstRun);
    Placement GetPlacement() const;

    // As a dialog does: the focus returns to the control that had it, or goes to the first one.
    void OnActivate(bool active);

    HWND hwnd_ = nullptr;

  private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam,
                                       LPARAM lParam) noexcept;
    void UnloadOnce();

    bool unloaded_ = false;
    bool detached_ = false;
    HWND lastFocus_ = nullptr;
    std::optional<Placement> given_;
    RECT givenRect_{};
};

// The screen's dots per inch, at which every twips value is converted.
int SystemDpi();

// A font of the given face (the system substitutes a close one where it is missing).
UniqueFont MakeFont(const wchar_t* face, double points, bool bold);
UniqueBrush MakeBrush(Colour colour);

// Shows the window over its disabled owner and returns when it has been destroyed.
void ShowModal(HWND window, HWND owner, const bool& closed);

// Runs the thread's messages until WM_QUIT, or until `until` turns true; our windows get Tab
// and the arrow keys as dialogs do. Returns false when WM_QUIT arrived.
bool PumpMessages(const bool* until = nullptr);

// After a slow probe the window's timers may have queued many ticks each: leave one per timer.
void CoalesceQueuedTicks(HWND window);

// The error box, then the end of the process: no window is destroyed and no unload runs.
[[noreturn]] void ShowFatalErrorAndExit(const std::string& message);

}  // namespace tavori::win32
