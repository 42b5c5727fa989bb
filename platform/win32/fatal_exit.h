#pragma once

#include "platform/event_dispatch.h"

namespace tavori::win32 {

// One task-modal message box, then ExitProcess: no window is destroyed and no unload runs.
class Win32FatalExit final : public FatalExit {
  public:
    void ShowErrorAndExit(std::string_view caption, std::string_view message,
                          int exitStatus) override;
};

}  // namespace tavori::win32
