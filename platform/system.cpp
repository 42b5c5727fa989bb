#include "platform/system.h"

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
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, code, 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const UniqueLocalMemory owner(buffer);
    return Narrow(std::wstring_view(buffer, length));
}

void ThrowSystemError(std::string whatFailed, DWORD code, Error::Code kind, std::string advice) {
    throw Error(std::move(whatFailed), std::move(advice), kind, code, SystemErrorText(code));
}

void RestrictDllSearchToSystemFolder() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    // Windows 8 on, and Windows 7 with KB2533623; looked up, so that one without it starts.
    const auto setDefault =
        reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(
            ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefault == nullptr || setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32) == FALSE) {
        // The most an old system allows: at least the working folder is no longer searched.
        ::SetDllDirectoryW(L"");
    }
}

void RunServiceCommand(std::string_view commandLine) {
    // By its full path, so that no net.exe beside tavori.exe or in the working folder is found.
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        ThrowLastError([] { return "Finding the Windows system folder failed."; });
    }
    const std::string_view program = commandLine.substr(0, commandLine.find(' '));
    const std::wstring application = std::wstring(folder, length) + L'\\' + Widen(program);
    std::wstring command = Widen(commandLine);  // CreateProcessW may write into it

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    // No console at all: a hidden one may still show where a terminal hosts new consoles, and a
    // command that would stop to ask a question ends at once instead of waiting unseen.
    if (!::CreateProcessW(application.c_str(), command.data(), nullptr, nullptr, FALSE,
                          CREATE_NO_WINDOW, nullptr, nullptr, &startup, &process)) {
        ThrowLastError(
            [&] {
                return "Running the command \"" + std::string(commandLine) +
                       "\" failed.\nProgram: " + Narrow(application);
            },
            "Check that the program exists in the Windows system folder and that your "
            "account may run it.");
    }
    const UniqueHandle processHandle(process.hProcess);
    const UniqueHandle threadHandle(process.hThread);
}

}  // namespace tavori::win32
