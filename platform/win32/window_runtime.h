#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "platform/event_dispatch.h"
#include "platform/window_runtime.h"

namespace tavori::win32 {

// The window and control runtime on plain Win32: one C++ object per window, bound to its HWND
// when the window is created, with every message forwarded to a named member.
class Win32WindowRuntime final : public WindowRuntime {
  public:
    Win32WindowRuntime(HINSTANCE instance, EventDispatcher& dispatcher);

    std::unique_ptr<Window> CreateTopLevel(const WindowSpec& request) override;
    void RunMessageLoop() override;
    std::vector<MonitorArea> Monitors() const override;

    HINSTANCE Instance() const { return instance_; }
    // The system's dots per inch, at which every twips value is converted.
    int Dpi() const { return dpi_; }
    EventDispatcher& Dispatcher() { return dispatcher_; }

  private:
    void RegisterWindowClass(const std::wstring& className, bool programIcon);

    HINSTANCE instance_;
    EventDispatcher& dispatcher_;
    int dpi_;
    bool mainWindowCreated_ = false;
    std::vector<std::wstring> registeredClasses_;
};

// Runs the messages of one thread until WM_QUIT, letting our windows handle Tab and the arrow
// keys as dialogs do. Returns false when WM_QUIT arrived; `until` ends the loop early.
bool PumpMessages(const bool* until);

}  // namespace tavori::win32
