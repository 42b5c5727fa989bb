#include "platform/system_error.h"

#include "platform/handles.h"
#include "platform/text.h"

namespace tavori::win32 {

std::string SystemErrorText(DWORD code) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const UniqueLocalMemory owner(buffer);
    return Narrow(std::wstring_view(buffer, length));
}

void ThrowSystemError(std::string whatFailed, DWORD code, Error::Code kind, std::string advice) {
    throw Error(std::move(whatFailed), std::move(advice), kind, code, SystemErrorText(code));
}

}  // namespace tavori::win32
