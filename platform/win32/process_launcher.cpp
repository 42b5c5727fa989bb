#include "platform/win32/process_launcher.h"

#include <windows.h>

#include <string>

#include "platform/error.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"

namespace tavori::win32 {

namespace {

std::wstring SystemFolder() {
    wchar_t folder[MAX_PATH];
    const UINT length = ::GetSystemDirectoryW(folder, MAX_PATH);
    if (length == 0 || length >= MAX_PATH) {
        ThrowLastError("Finding the Windows system folder failed.");
    }
    return std::wstring(folder, length);
}

}  // namespace

void Win32ProcessLauncher::Launch(std::string_view commandLine) {
    const std::string_view program = commandLine.substr(0, commandLine.find(' '));
    if (program.empty() || program.find_first_of("\\/:\"") != std::string_view::npos) {
        throw Error("The command \"" + std::string(commandLine) +
                        "\" does not name a program of "
                        "the Windows system folder.",
                    "TAVORI only runs programs from the Windows system folder.");
    }
    const std::wstring application = SystemFolder() + L'\\' + Widen(program);
    std::wstring command = Widen(commandLine);  // CreateProcessW may write into it

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(application.c_str(), command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                          nullptr, &startup, &process)) {
        const DWORD code = ::GetLastError();
        throw Error("Running the command \"" + std::string(commandLine) +
                        "\" failed.\nProgram: " + Narrow(application),
                    code, SystemErrorText(code), false,
                    "Check that the program exists in the Windows system folder and that your "
                    "account may run it.");
    }
    // Nothing of the new process is kept.
    const UniqueHandle processHandle(process.hProcess);
    const UniqueHandle threadHandle(process.hThread);
}

}  // namespace tavori::win32
