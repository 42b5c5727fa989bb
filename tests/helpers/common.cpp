#include "common.h"

#include <cstdio>

namespace testhelper {

int Fail(const char* what) {
    std::fprintf(stderr, "tavori-testhelper: %s failed (error %lu)\n", what, GetLastError());
    return kExitFailed;
}

std::string Utf8(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::string JsonString(std::wstring_view text) {
    std::string out = "\"";
    for (const char c : Utf8(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string JsonHex(unsigned long value) {
    char text[16];
    std::snprintf(text, sizeof text, "\"0x%08lx\"", value);
    return text;
}

std::string JsonRect(const RECT& r) {
    char text[128];
    std::snprintf(text, sizeof text,
                  "{\"left\": %ld, \"top\": %ld, \"width\": %ld, \"height\": %ld}", r.left, r.top,
                  r.right - r.left, r.bottom - r.top);
    return text;
}

const char* JsonBool(bool value) {
    return value ? "true" : "false";
}

std::wstring WindowText(HWND hwnd) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(
        static_cast<std::size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

std::wstring ClassName(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return name;
}

std::wstring ControlText(HWND hwnd) {
    constexpr UINT kTimeoutMs = 5000;
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, kTimeoutMs, &length)) {
        return {};
    }
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                             SMTO_ABORTIFHUNG, kTimeoutMs, &copied)) {
        return {};
    }
    text.resize(static_cast<std::size_t>(copied));
    return text;
}

HWND FindTopLevel(const std::vector<std::wstring>& args) {
    const HWND hwnd = FindWindowW(args[0].c_str(), args.size() > 1 ? args[1].c_str() : nullptr);
    if (hwnd == nullptr) {
        std::fprintf(stderr, "tavori-testhelper: no top-level window of class %s\n",
                     Utf8(args[0]).c_str());
    }
    return hwnd;
}

}  // namespace testhelper
