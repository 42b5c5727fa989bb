#pragma once

#include <exception>
#include <string>
#include <string_view>

#include "platform/window_runtime.h"

namespace tavori {

// How the program ends on an untrapped error.
//
// Contract: ShowErrorAndExit shows the message to the user in one message box and, when it is
// dismissed, ends the process at once with the given non-zero status, running no unload handler.
// It does not return on a real platform; a fake may return, after which no handler runs again.
class FatalExit {
  public:
    virtual ~FatalExit() = default;
    virtual void ShowErrorAndExit(std::string_view caption, std::string_view message,
                                  int exitStatus) = 0;
};

constexpr std::string_view kErrorCaption = "TAVORI";
constexpr int kUntrappedErrorExitStatus = 1;

// The words the message box shows for an error that escaped a handler.
std::string DescribeUntrappedError(const std::exception& error);

// Every event handler of the program runs through Dispatch: this is the one place where an error
// that escapes a handler becomes the message box and the exit. Once that has happened no handler
// runs again, so timers that fire while the box is up raise no second box.
class EventDispatcher {
  public:
    explicit EventDispatcher(FatalExit& exit) : exit_(exit) {}
    EventDispatcher(const EventDispatcher&) = delete;
    EventDispatcher& operator=(const EventDispatcher&) = delete;

    void Dispatch(const Handler& handler) noexcept;
    bool Failed() const { return failed_; }

  private:
    void Fail(std::string message) noexcept;

    FatalExit& exit_;
    bool failed_ = false;
};

}  // namespace tavori
