#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tavori::win32 {

// The logic speaks UTF-8; Windows speaks UTF-16.
std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);

// The system's own words for a Win32 error number or an HRESULT, in the user's language, without
// the line break they end with. Empty when the system has none.
std::string SystemErrorText(DWORD code);

// Throws tavori::Error for GetLastError(), which must be read before anything else runs.
[[noreturn]] void ThrowLastError(std::string whatFailed, std::string advice = {});
[[noreturn]] void ThrowHresult(std::string whatFailed, HRESULT hr, std::string advice = {});

}  // namespace tavori::win32
