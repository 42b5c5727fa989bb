#include "core/error.h"

#include <algorithm>
#include <cstdio>
#include <new>

namespace tavori {

std::string DescribeUntrappedError(const std::exception& error) {
    std::string message = "TAVORI has to close because of an error.\n\n";
    if (const auto* known = dynamic_cast<const Error*>(&error)) {
        message += known->what();
        if (known->kind != Error::Code::None) {
            char number[16];
            std::snprintf(number, sizeof number,
                          known->kind == Error::Code::Hresult ? "0x%08X" : "%u",
                          static_cast<unsigned>(known->number));
            message += "\n\nError " + std::string(number);
            // The system's words end in a line break: trimmed, so that the advice follows neatly.
            const std::size_t end = known->systemText.find_last_not_of(" \r\n");
            if (end != std::string::npos) {
                message += ": " + known->systemText.substr(0, end + 1);
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
    constexpr std::size_t kQuotedCharacters = 40;
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
        message = error != nullptr ? DescribeUntrappedError(*error)
                                   : "TAVORI has to close because of an unknown error.";
    } catch (...) {
        // Out of memory while describing the error: the box still shows, if empty.
    }
    fatal_(message);
}

}  // namespace tavori
