#pragma once

#include <string_view>

namespace tavori {

// Process launch.
//
// Contract: Launch starts the command line as a new process with its window hidden and returns
// as soon as it has started; it keeps nothing of the process and never waits for it. Only the
// system's own copy of the program the command names may run. A process that cannot be started
// throws tavori::Error naming the command and the system's reason.
class ProcessLauncher {
  public:
    virtual ~ProcessLauncher() = default;
    virtual void Launch(std::string_view commandLine) = 0;
};

}  // namespace tavori
