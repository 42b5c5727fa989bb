#include "platform/win32/text.h"

#include "platform/error.h"
#include "platform/win32/handles.h"

namespace tavori::win32 {

std::wstring Widen(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), length);
    return wide;
}

std::string Narrow(std::wstring_view text) {
    if (text.empty()) {
        return {};
    }
    const int size = static_cast<int>(text.size());
    const int length =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr);
    std::string narrow(static_cast<std::size_t>(length), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(), length, nullptr, nullptr);
    return narrow;
}

std::string MessageText(std::wstring_view text) {
    while (!text.empty() && (text.back() == L'\r' || text.back() == L'\n' || text.back() == L' ')) {
        text.remove_suffix(1);
    }
    return Narrow(text);
}

std::string SystemErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const UniqueLocalMemory owner(buffer);
    if (length == 0) {
        return {};
    }
    return MessageText(std::wstring_view(buffer, length));
}

void ThrowLastError(std::string whatFailed) {
    ThrowWin32Error(std::move(whatFailed), ::GetLastError());
}

void ThrowWin32Error(std::string whatFailed, DWORD code) {
    throw Error(std::move(whatFailed), code, SystemErrorText(code), false);
}

void ThrowHresult(std::string whatFailed, HRESULT hr) {
    const auto code = static_cast<DWORD>(hr);
    throw Error(std::move(whatFailed), code, SystemErrorText(code), true);
}

}  // namespace tavori::win32
