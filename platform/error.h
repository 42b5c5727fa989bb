#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <utility>

namespace tavori {

// An error that a handler lets escape. It carries what failed, in words a user understands, the
// system's error number and description when the system gave one, and what the user can do.
class Error : public std::runtime_error {
  public:
    Error(std::string whatFailed, std::uint32_t code, std::string description, bool codeIsHresult,
          std::string advice = {})
        : std::runtime_error(whatFailed),
          code_(code),
          description_(std::move(description)),
          advice_(std::move(advice)),
          hasCode_(true),
          codeIsHresult_(codeIsHresult) {}

    // An error with no system error number (a stored value that is not a number, say).
    Error(std::string whatFailed, std::string description)
        : std::runtime_error(whatFailed), description_(std::move(description)) {}

    std::uint32_t Code() const { return code_; }
    bool HasCode() const { return hasCode_; }
    // HRESULTs are shown in hex, Win32 error numbers in decimal.
    bool CodeIsHresult() const { return codeIsHresult_; }
    const std::string& Description() const { return description_; }
    const std::string& Advice() const { return advice_; }

  private:
    std::uint32_t code_ = 0;
    std::string description_;
    std::string advice_;
    bool hasCode_ = false;
    bool codeIsHresult_ = false;
};

}  // namespace tavori
