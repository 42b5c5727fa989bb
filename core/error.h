#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>

namespace tavori {

// An error a handler lets escape: what failed, the system's number and words, what to do.
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

// A stored text as an error box quotes it: a long one cut, with its length, to fit the screen.
std::string QuoteStoredText(std::string_view text);

// Every event handler runs through Dispatch, the one place where an escaped error becomes the
// box and the exit (`fatal`); after it no handler runs, so no timer raises a second box.
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
