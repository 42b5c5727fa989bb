#include "platform/event_dispatch.h"

#include <cstdio>
#include <new>

#include "platform/error.h"

namespace tavori {

namespace {

std::string FormatCode(const Error& error) {
    char number[32];
    if (error.CodeIsHresult()) {
        std::snprintf(number, sizeof number, "0x%08X", static_cast<unsigned>(error.Code()));
    } else {
        std::snprintf(number, sizeof number, "%u", static_cast<unsigned>(error.Code()));
    }
    return number;
}

}  // namespace

std::string DescribeUntrappedError(const std::exception& error) {
    std::string message = "TAVORI has to close because of an error.\n\n";
    if (const auto* known = dynamic_cast<const Error*>(&error)) {
        message += known->what();
        if (known->HasCode()) {
            message += "\n\nError " + FormatCode(*known);
            if (!known->Description().empty()) {
                message += ": " + known->Description();
            }
        } else if (!known->Description().empty()) {
            message += "\n\n" + known->Description();
        }
        if (!known->Advice().empty()) {
            message += "\n\n" + known->Advice();
        }
    } else if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr) {
        message += "The computer ran out of memory.";
    } else {
        message += std::string("Unexpected error: ") + error.what();
    }
    return message;
}

void EventDispatcher::Dispatch(const Handler& handler) noexcept {
    if (failed_ || !handler) {
        return;
    }
    try {
        handler();
    } catch (const std::exception& error) {
        std::string message;
        try {
            message = DescribeUntrappedError(error);
        } catch (...) {
            // Out of memory while describing the error: the plain words below still go out.
        }
        Fail(std::move(message));
    } catch (...) {
        Fail({});
    }
}

void EventDispatcher::Fail(std::string message) noexcept {
    failed_ = true;
    if (message.empty()) {
        exit_.ShowErrorAndExit(kErrorCaption, "TAVORI has to close because of an unknown error.",
                               kUntrappedErrorExitStatus);
    } else {
        exit_.ShowErrorAndExit(kErrorCaption, message, kUntrappedErrorExitStatus);
    }
}

}  // namespace tavori
