#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace tavori::win32 {

// The logic speaks UTF-8; Windows speaks UTF-16.
std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);

// A system message as UTF-8, without the line break and blanks it ends with.
std::string MessageText(std::wstring_view text);

// The system's own description of a Win32 error number or an HRESULT, in the user's language,
// without the trailing line break. Empty when the system has none.
std::string SystemErrorText(DWORD code);

// Throws tavori::Error for GetLastError(), which must be read before anything else runs.
[[noreturn]] void ThrowLastError(std::string whatFailed);
[[noreturn]] void ThrowWin32Error(std::string whatFailed, DWORD code);
[[noreturn]] void ThrowHresult(std::string whatFailed, HRESULT hr);

}  // namespace tavori::win32
