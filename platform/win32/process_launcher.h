#pragma once

#include "platform/process_launcher.h"

namespace tavori::win32 {

// Runs a command's program from the system folder only, never from a search path: a bare
// "net.exe" would otherwise be looked for beside tavori.exe and in the working folder first, and
// a copy planted there would run with the user's rights.
class Win32ProcessLauncher final : public ProcessLauncher {
  public:
    void Launch(std::string_view commandLine) override;
};

}  // namespace tavori::win32
