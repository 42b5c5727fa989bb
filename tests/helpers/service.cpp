// tavori-testhelper's service-control modes: a real Windows service for the monitor's rows to
// start and stop, and a stand-in for net.exe that only proves it was run.
//
//   tavori-testhelper service NAME      run as the own-process service NAME: report running,
//                                       stop when the service control manager says so. A copy
//                                       named mepops.exe and registered with
//                                       sc create MEPOPS binPath= "...\mepops.exe service MEPOPS"
//                                       is a MEPOPS service whose process the monitor watches.
//                                       While a file hold-start lies beside the program, it
//                                       does not yet take its start; while hold-stop does, it
//                                       does not yet answer a stop. Either keeps the net.exe
//                                       that asked waiting (Wine's gives up after 10 s).
//   tavori-testhelper start|stop NAME   what a copy named net.exe does when a program runs it in
//                                       its place: append the command line to net-ran.txt
//                                       beside the copy, then fail as net.exe does (exit 2).
#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common.h"

namespace {

using namespace testhelper;

constexpr int kExitNetFailed = 2;

// The one service this process runs. The service control manager calls into the process on
// threads of its own, so the state it shares with them lives here.
struct ServiceState {
    std::wstring name;
    SERVICE_STATUS_HANDLE statusHandle = nullptr;
    SERVICE_STATUS status{};
    HANDLE stopRequested = nullptr;
};

ServiceState service;

void ReportStatus(DWORD state) {
    service.status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    service.status.dwCurrentState = state;
    service.status.dwControlsAccepted =
        state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP | SERVICE_ACCEPT_SHUTDOWN : 0;
    service.status.dwWin32ExitCode = NO_ERROR;
    service.status.dwWaitHint = state == SERVICE_RUNNING || state == SERVICE_STOPPED ? 0 : 5000;
    if (state != SERVICE_RUNNING && state != SERVICE_STOPPED) {
        ++service.status.dwCheckPoint;
    } else {
        service.status.dwCheckPoint = 0;
    }
    SetServiceStatus(service.statusHandle, &service.status);
}

// The folder a path names a file in, with its trailing backslash.
std::wstring FolderOf(const std::wstring& path) {
    const std::size_t slash = path.find_last_of(L"\\/");
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

std::wstring OwnFolder() {
    std::wstring self(MAX_PATH, L'\0');
    self.resize(GetModuleFileNameW(nullptr, self.data(), static_cast<DWORD>(self.size())));
    return FolderOf(self);
}

// Waits for as long as a file of that name lies beside the program: a test that wants a start
// or a stop to take a while makes the file, and deletes it to let the service go on.
void HoldWhileFileExists(const wchar_t* name) {
    const std::wstring path = OwnFolder() + name;
    while (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) {
        Sleep(20);
    }
}

DWORD WINAPI ControlHandler(DWORD control, DWORD, LPVOID, LPVOID) {
    switch (control) {
        case SERVICE_CONTROL_STOP:
            // The control manager, and whoever asked it, waits for this answer.
            HoldWhileFileExists(L"hold-stop");
            [[fallthrough]];
        case SERVICE_CONTROL_SHUTDOWN:
            ReportStatus(SERVICE_STOP_PENDING);
            SetEvent(service.stopRequested);
            return NO_ERROR;
        case SERVICE_CONTROL_INTERROGATE:
            return NO_ERROR;
        default:
            return ERROR_CALL_NOT_IMPLEMENTED;
    }
}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
    service.statusHandle =
        RegisterServiceCtrlHandlerExW(service.name.c_str(), ControlHandler, nullptr);
    if (service.statusHandle == nullptr) {
        Fail("RegisterServiceCtrlHandlerExW");
        return;
    }
    ReportStatus(SERVICE_RUNNING);
    WaitForSingleObject(service.stopRequested, INFINITE);
    // Once it hears this, the control manager may end the process: nothing may follow.
    ReportStatus(SERVICE_STOPPED);
}

}  // namespace

int RunAsService(const std::vector<std::wstring>& args) {
    if (args.size() != 1) {
        return kExitUsage;
    }
    service.name = args[0];
    service.stopRequested = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (service.stopRequested == nullptr) {
        return Fail("CreateEventW");
    }
    // Until the dispatcher connects, the control manager, and whoever asked it for the start,
    // waits.
    HoldWhileFileExists(L"hold-start");
    SERVICE_TABLE_ENTRYW table[] = {{service.name.data(), ServiceMain}, {nullptr, nullptr}};
    // Returns once the service has stopped; fails at once when not started as a service.
    if (!StartServiceCtrlDispatcherW(table)) {
        return Fail("StartServiceCtrlDispatcherW");
    }
    return kExitOk;
}

int StandInForNet(const std::vector<std::wstring>& args) {
    if (args.size() != 1) {
        return kExitUsage;
    }
    const std::wstring marker = OwnFolder() + L"net-ran.txt";
    FILE* out = _wfopen(marker.c_str(), L"ab");
    if (out == nullptr) {
        std::fprintf(stderr, "tavori-testhelper: cannot write net-ran.txt\n");
        return kExitFailed;
    }
    std::fprintf(out, "%s\r\n", Utf8(GetCommandLineW()).c_str());
    std::fclose(out);
    return kExitNetFailed;
}
