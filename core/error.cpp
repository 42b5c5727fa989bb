#include "core/error.h"

#include <algorithm>
#include <cstdio>
#include <new>

namespace tavori {

namespace {

constexpr std::size_t kQuotedCharacters = 40;

std::string ErrorNumber(const Error& error) {
    char number[16];
    std::snprintf(number, sizeof number, error.kind == Error::Code::Hresult ? "0x%08X" : "%u",
                  static_cast<unsigned>(error.number));
    return number;
}

}  // namespace

std::string DescribeUntrappedError(const std::exception& error) {
    std::string message = "TAVORI has to close because of an error.\n\n";
    if (const auto* known = dynamic_cast<const Error*>(&error)) {
        message += known->what();
        if (known->kind != Error::Code::None) {
            message += "\n\nError " + ErrorNumber(*known);
            if (!known->systemText.empty()) {
                message += ": " + known->systemText;
            }
        }
        if (!known->advice.empty()) {
            message += "\n\n" + known->advice;
        }
    } else if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) {
        message += "The computer ran out of memory.";
    } else {
        message += std::string("Unexpected error: ") + error.what();
    }
    return message;
}

std::string QuoteStoredText(std::string_view text) {
    std::size_t characters = 0;
    std::size_t cut = text.size();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80) {
            continue;  // a UTF-8 continuation byte: not a character of its own
        }
        if (characters == kQuotedCharacters) {
            cut = i;
        }
        ++characters;
    }
    // A line break or other control character would stretch or garble the box: shown as '?'.
    std::string shown(text.substr(0, cut));
    std::replace_if(
        shown.begin(), shown.end(), [](unsigned char c) { return c < 0x20 || c == 0x7F; }, '?');
    if (characters <= kQuotedCharacters) {
        return "\"" + shown + "\"";
    }
    return "\"" + shown + "...\" (cut; " + std::to_string(characters) + " characters in all)";
}

void EventDispatcher::Fail(const std::exception* error) noexcept {
    failed_ = true;
    std::string message;
    try {
        message = error != nullptr ? DescribeUntrappedError(*error) : std::string();
    } catch (...) {
        // Out of memory while describing the error: the plain words below still go out.
    }
    static const std::string kUnknown = "TAVORI has to close because of an unknown error.";
    fatal_(message.empty() ? kUnknown : message);
}

}  // namespace tavori
