#include "platform/win32/fatal_exit.h"

#include <windows.h>

#include "platform/win32/text.h"

namespace tavori::win32 {

void Win32FatalExit::ShowErrorAndExit(std::string_view caption, std::string_view message,
                                      int exitStatus) {
    // Task-modal with no owner: every window of ours is disabled while the box is up, so the
    // user cannot start anything else; timers still fire, and the dispatcher ignores them.
    // A WM_QUIT already queued would close the box before the user saw it.
    MSG quit{};
    ::PeekMessageW(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE);
    ::MessageBoxW(nullptr, Widen(message).c_str(), Widen(caption).c_str(),
                  MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND);
    ::ExitProcess(static_cast<UINT>(exitStatus));
}

}  // namespace tavori::win32
