#pragma once

#include <windows.h>

#include <string>

#include "core/error.h"

namespace tavori::win32 {

// The system's words for a Win32 error or an HRESULT; empty when it has none.
std::string SystemErrorText(DWORD code);

// Throw tavori::Error with the system's words for the code.
[[noreturn]] void ThrowSystemError(std::string whatFailed, DWORD code, Error::Code kind,
                                   std::string advice = {});

// Throw tavori::Error for the failed call just made. The code is read before `describe` builds
// the message, whose allocations may overwrite it; call it straight after the failing call.
template <typename Describe>
[[noreturn]] void ThrowLastError(Describe&& describe, const char* advice = "") {
    const DWORD code = ::GetLastError();
    ThrowSystemError(describe(), code, Error::Code::Win32, advice);
}

}  // namespace tavori::win32
