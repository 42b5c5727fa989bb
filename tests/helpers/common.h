// What the modes of tavori-testhelper share: exit statuses, failure reports, text and JSON
// conversion, and reading windows.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

namespace testhelper {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitNoWindow = 2;
constexpr int kExitUsage = 64;

// Says on stderr that `what` failed, with GetLastError's number; returns kExitFailed.
int Fail(const char* what);

std::string Utf8(std::wstring_view text);

// A JSON string literal for text, quotes included.
std::string JsonString(std::wstring_view text);
std::string JsonHex(unsigned long value);
std::string JsonRect(const RECT& r);
const char* JsonBool(bool value);

std::wstring WindowText(HWND hwnd);
std::wstring ClassName(HWND hwnd);

// A control keeps its own text: from another process only WM_GETTEXT reaches it, where
// GetWindowTextW returns the (empty) window caption.
std::wstring ControlText(HWND hwnd);

// The top-level window named by CLASS [CAPTION] (args[0], and args[1] when given), or null
// (said on stderr).
HWND FindTopLevel(const std::vector<std::wstring>& args);

}  // namespace testhelper
