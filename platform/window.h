#pragma once

#include <windows.h>

#include <optional>
#include <string_view>

#include "core/catalogue.h"
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

    LRESULT Default(UINT message, WPARAM wParam, LPARAM lParam) {
        return ::DefWindowProcW(hwnd_, message, wParam, lParam);
    }

    // A child control laid out in twips; its identifier is its place in the tab order.
    HWND AddControl(int id, const wchar_t* windowClass, std::string_view text, DWORD style,
                    DWORD exStyle, int left, int top, int width, int height, HFONT font);

    // In twips; a window nobody moved gives back exactly what it was given, not it in pixels.
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

// A font of the given face (the system substitutes a close one where it is missing).
UniqueFont MakeFont(const wchar_t* face, double points, bool bold);
UniqueBrush MakeBrush(Colour colour);

// Runs the messages, Tab and arrows as in dialogs, until `until` or WM_QUIT (then false).
bool PumpMessages(const bool* until = nullptr);

// After a slow probe the window's timers may have queued many ticks each: leave one per timer.
void CoalesceQueuedTicks(HWND window);

// The error box, then the end of the process: no window is destroyed and no unload runs.
[[noreturn]] void ShowFatalErrorAndExit(const std::string& message);

}  // namespace tavori::win32
