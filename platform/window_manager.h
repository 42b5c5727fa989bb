#pragma once

#include "platform/window_runtime.h"

namespace tavori {

// The window manager's calls on the foreground window and the main window (user32 on Windows).
//
// Contract: both calls go straight to the window manager; their results are not errors to the
// program. Insert-after values are those of SetWindowPos: -1 topmost, -2 not topmost.
class WindowManager {
  public:
    virtual ~WindowManager() = default;

    static constexpr WindowHandle kTopmost = static_cast<WindowHandle>(-1);
    static constexpr WindowHandle kNotTopmost = static_cast<WindowHandle>(-2);
    static constexpr unsigned kNoSizeNoMove = 3;

    virtual WindowHandle GetForegroundWindow() = 0;
    virtual bool SetWindowPos(WindowHandle window, WindowHandle insertAfter, int x, int y,
                              int width, int height, unsigned flags) = 0;
};

}  // namespace tavori
