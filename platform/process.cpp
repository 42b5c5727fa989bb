#include "platform/process.h"

#include <windows.h>

#include "platform/handles.h"
#include "platform/system_error.h"
#include "platform/text.h"

namespace tavori::win32 {

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
