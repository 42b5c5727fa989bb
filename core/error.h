#pragma once

#include <cstdint>
#include <exception>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace tavori {

// An error that a handler lets escape: what failed, in words a user understands; the system's
// error number and its words for it, when the system gave one; and what the user can do.
struct Error : std::runtime_error {
    enum class Code { None, Win32, Hresult };  // Win32 errors show in decimal, HRESULTs in hex

    Error(std::string whatFailed, std::string whatToDo, Code codeKind = Code::None,
          std::uint32_t code = 0, std::string systemWords = {})
        : std::runtime_error(std::move(whatFailed)),
          advice(std::move(whatToDo)),
          kind(codeKind),
          number(code),
          systemText(std::move(systemWords)) {}

    std::string advice;
    Code kind;
    std::uint32_t number;
    std::string systemText;
};

// The words of the one message box that an error escaping a handler ends the program with.
std::string DescribeUntrappedError(const std::exception& error);

// A stored text as an error message quotes it: in full when short, else its first few dozen
// characters, marked as cut, with its length, so that the box still fits the screen.
std::string QuoteStoredText(std::string_view text);

// Every event handler runs through Dispatch, the one place where an escaped error becomes the
// message box and the exit. `fatal` shows the box and ends the process; once it has been called
// no handler runs again, so timers that fire while the box is up raise no second box.
class EventDispatcher {
  public:
    using FatalExit = void (*)(const std::string& message);

    explicit EventDispatcher(FatalExit fatal) : fatal_(fatal) {}

    template <typename Handler>
    void Dispatch(Handler&& handler) noexcept {
        if (failed_) {
            return;
        }
        try {
            handler();
        } catch (const std::exception& error) {
            Fail(&error);
        } catch (...) {
            Fail(nullptr);
        }
    }

    bool Failed() const { return failed_; }

  private:
    void Fail(const std::exception* error) noexcept;

    FatalExit fatal_;
    bool failed_ = false;
};

}  // namespace tavori
