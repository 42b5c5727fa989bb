#include "platform/text.h"

#include "core/error.h"
#include "platform/handles.h"

namespace tavori::win32 {

std::wstring Widen(std::string_view text) {
    const int size = static_cast<int>(text.size());
    std::wstring wide(
        static_cast<std::size_t>(::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0)),
        L'\0');
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(),
                          static_cast<int>(wide.size()));
    return wide;
}

std::string Narrow(std::wstring_view text) {
    const int size = static_cast<int>(text.size());
    std::string narrow(static_cast<std::size_t>(::WideCharToMultiByte(
                           CP_UTF8, 0, text.data(), size, nullptr, 0, nullptr, nullptr)),
                       '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), size, narrow.data(),
                          static_cast<int>(narrow.size()), nullptr, nullptr);
    return narrow;
}

std::string SystemErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const UniqueLocalMemory owner(buffer);
    while (length > 0 && (buffer[length - 1] == L'\r' || buffer[length - 1] == L'\n' ||
                          buffer[length - 1] == L' ')) {
        --length;
    }
    return Narrow(std::wstring_view(buffer, length));
}

void ThrowLastError(std::string whatFailed, std::string advice) {
    const DWORD code = ::GetLastError();
    throw Error(std::move(whatFailed), std::move(advice), Error::Code::Win32, code,
                SystemErrorText(code));
}

void ThrowHresult(std::string whatFailed, HRESULT hr, std::string advice) {
    const auto code = static_cast<DWORD>(hr);
    throw Error(std::move(whatFailed), std::move(advice), Error::Code::Hresult, code,
                SystemErrorText(code));
}

}  // namespace tavori::win32
