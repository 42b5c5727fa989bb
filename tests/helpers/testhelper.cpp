// tavori-testhelper: what the end-to-end tests run inside the monitor's Wine prefix.
//
//   tavori-testhelper                      sleep until killed; a copy named mepops.exe is then
//                                          a running process with that image name
//   tavori-testhelper window-info CLASS [CAPTION]
//                                          print the top-level window of CLASS (and CAPTION) and
//                                          its children as one JSON object; exit 2 when none
//   tavori-testhelper close CLASS [CAPTION]
//                                          post WM_CLOSE to that window; exit 2 when there is none
//   tavori-testhelper wmi-count NAME       print how many processes WMI finds for
//                                          SELECT Name FROM Win32_Process WHERE Name='NAME'
//   tavori-testhelper processes            print the image names of all processes (JSON list)
//   tavori-testhelper windows              print all top-level windows (JSON list)
//   tavori-testhelper tooltips CLASS [CAPTION]
//                                          print the tools of the tooltips that window's process
//                                          owns, with the window each stands for (JSON list)
//   service, start, stop                   see service.cpp
//   double-click-on-arrival                see input.cpp
//   rival, foreground, monitors,
//   check-state                            see desktop.cpp
//   resources CLASS [CAPTION]              see process_resources.cpp
//
// Exit status: 0 done, 1 a system call failed (reason on stderr), 2 no such window, 64 usage.
#include <windows.h>
#include <objbase.h>
#include <tlhelp32.h>
#include <commctrl.h>
#include <wbemidl.h>

#include "common.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

// Modes kept in files of their own.
int RunAsService(const std::vector<std::wstring>& args);          // service.cpp
int StandInForNet(const std::vector<std::wstring>& args);         // service.cpp
int DoubleClickOnArrival(const std::vector<std::wstring>& args);  // input.cpp
int RunRival(const std::vector<std::wstring>& args);              // desktop.cpp
int PrintForeground(const std::vector<std::wstring>& args);       // desktop.cpp
int PrintMonitors(const std::vector<std::wstring>& args);         // desktop.cpp
int PrintCheckState(const std::vector<std::wstring>& args);       // desktop.cpp
int ProcessResources(const std::vector<std::wstring>& args);      // process_resources.cpp

namespace {

using namespace testhelper;

int SleepForever(const std::vector<std::wstring>&) {
    for (;;) {
        Sleep(INFINITE);
    }
}

int WindowInfo(const std::vector<std::wstring>& args) {
    if (args.empty() || args.size() > 2) {
        return kExitUsage;
    }
    const HWND hwnd = FindTopLevel(args);
    if (hwnd == nullptr) {
        return kExitNoWindow;
    }
    RECT window{};
    RECT client{};
    POINT clientOrigin{0, 0};
    if (!GetWindowRect(hwnd, &window) || !GetClientRect(hwnd, &client) ||
        !ClientToScreen(hwnd, &clientOrigin)) {
        return Fail("reading the window rectangles");
    }
    OffsetRect(&client, clientOrigin.x, clientOrigin.y);
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    const HDC screen = GetDC(nullptr);
    const int dpiX = GetDeviceCaps(screen, LOGPIXELSX);
    const int dpiY = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);

    std::string out = "{\n";
    out += "  \"class\": " + JsonString(ClassName(hwnd)) + ",\n";
    out += "  \"caption\": " + JsonString(WindowText(hwnd)) + ",\n";
    out += "  \"pid\": " + std::to_string(pid) + ",\n";
    out += "  \"window\": " + JsonRect(window) + ",\n";
    out += "  \"client\": " + JsonRect(client) + ",\n";
    out += "  \"style\": " + JsonHex(static_cast<unsigned long>(GetWindowLongW(hwnd, GWL_STYLE))) +
           ",\n";
    out +=
        "  \"exstyle\": " + JsonHex(static_cast<unsigned long>(GetWindowLongW(hwnd, GWL_EXSTYLE))) +
        ",\n";
    out += std::string("  \"visible\": ") + JsonBool(IsWindowVisible(hwnd)) + ",\n";
    out += std::string("  \"enabled\": ") + JsonBool(IsWindowEnabled(hwnd)) + ",\n";
    out +=
        "  \"dpi\": {\"x\": " + std::to_string(dpiX) + ", \"y\": " + std::to_string(dpiY) + "},\n";
    out += "  \"children\": [";
    const char* separator = "\n";
    // Direct children, top of the Z order first.
    for (HWND child = GetWindow(hwnd, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect{};
        GetWindowRect(child, &rect);
        out += separator;
        separator = ",\n";
        out += "    {\"class\": " + JsonString(ClassName(child));
        out += ", \"text\": " + JsonString(ControlText(child));
        out += ", \"hwnd\": " + std::to_string(reinterpret_cast<std::uintptr_t>(child));
        out += ", \"id\": " + std::to_string(GetDlgCtrlID(child));
        out += ", \"rect\": " + JsonRect(rect);
        out +=
            ", \"style\": " + JsonHex(static_cast<unsigned long>(GetWindowLongW(child, GWL_STYLE)));
        out += ", \"exstyle\": " +
               JsonHex(static_cast<unsigned long>(GetWindowLongW(child, GWL_EXSTYLE)));
        out += std::string(", \"visible\": ") + JsonBool(IsWindowVisible(child));
        out += std::string(", \"enabled\": ") + JsonBool(IsWindowEnabled(child)) + "}";
    }
    out += "\n  ]\n}\n";
    std::fputs(out.c_str(), stdout);
    return kExitOk;
}

// Every top-level window, visible or not, in Z order: enough to spot a message box.
int TopLevelWindows(const std::vector<std::wstring>& args) {
    if (!args.empty()) {
        return kExitUsage;
    }
    std::string out = "[";
    const char* separator = "\n";
    for (HWND hwnd = GetTopWindow(nullptr); hwnd != nullptr; hwnd = GetWindow(hwnd, GW_HWNDNEXT)) {
        DWORD pid = 0;
        GetWindowThreadProcessId(hwnd, &pid);
        RECT rect{};
        GetWindowRect(hwnd, &rect);
        out += separator;
        separator = ",\n";
        out += "  {\"class\": " + JsonString(ClassName(hwnd));
        out += ", \"caption\": " + JsonString(WindowText(hwnd));
        out += ", \"pid\": " + std::to_string(pid);
        out += ", \"rect\": " + JsonRect(rect);
        out += std::string(", \"visible\": ") + JsonBool(IsWindowVisible(hwnd)) + "}";
    }
    std::puts((out + "\n]").c_str());
    return kExitOk;
}

int Close(const std::vector<std::wstring>& args) {
    if (args.empty() || args.size() > 2) {
        return kExitUsage;
    }
    const HWND hwnd = FindTopLevel(args);
    if (hwnd == nullptr) {
        return kExitNoWindow;
    }
    if (!PostMessageW(hwnd, WM_CLOSE, 0, 0)) {
        return Fail("PostMessageW(WM_CLOSE)");
    }
    return kExitOk;
}

// Releases a COM interface pointer when it goes out of scope.
template <typename T>
struct ComRef {
    T* p = nullptr;
    ComRef() = default;
    ComRef(const ComRef&) = delete;
    ComRef& operator=(const ComRef&) = delete;
    ~ComRef() {
        if (p != nullptr) {
            p->Release();
        }
    }
};

int ComFail(const char* what, HRESULT hr) {
    std::fprintf(stderr, "tavori-testhelper: %s failed (HRESULT 0x%08lx)\n", what,
                 static_cast<unsigned long>(hr));
    return kExitFailed;
}

int CountWithWmi(const std::wstring& imageName) {
    ComRef<IWbemLocator> locator;
    HRESULT hr = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                  IID_IWbemLocator, reinterpret_cast<void**>(&locator.p));
    if (FAILED(hr)) {
        return ComFail("CoCreateInstance(WbemLocator)", hr);
    }
    ComRef<IWbemServices> services;
    BSTR ns = SysAllocString(L"ROOT\\CIMV2");
    hr = locator.p->ConnectServer(ns, nullptr, nullptr, nullptr, 0, nullptr, nullptr, &services.p);
    SysFreeString(ns);
    if (FAILED(hr)) {
        return ComFail("IWbemLocator::ConnectServer", hr);
    }
    CoSetProxyBlanket(services.p, RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                      RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
    const std::wstring text = L"SELECT Name FROM Win32_Process WHERE Name='" + imageName + L"'";
    BSTR language = SysAllocString(L"WQL");
    BSTR query = SysAllocString(text.c_str());
    ComRef<IEnumWbemClassObject> results;
    hr = services.p->ExecQuery(language, query,
                               WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                               &results.p);
    SysFreeString(query);
    SysFreeString(language);
    if (FAILED(hr)) {
        return ComFail("IWbemServices::ExecQuery", hr);
    }
    int count = 0;
    for (;;) {
        ComRef<IWbemClassObject> row;
        ULONG returned = 0;
        hr = results.p->Next(static_cast<LONG>(WBEM_INFINITE), 1, &row.p, &returned);
        if (FAILED(hr)) {
            return ComFail("IEnumWbemClassObject::Next", hr);
        }
        if (returned == 0) {
            break;
        }
        ++count;
    }
    std::printf("{\"query\": %s, \"count\": %d}\n", JsonString(text).c_str(), count);
    return kExitOk;
}

int WmiCount(const std::vector<std::wstring>& args) {
    if (args.size() != 1) {
        return kExitUsage;
    }
    HRESULT hr = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (FAILED(hr)) {
        return ComFail("CoInitializeEx", hr);
    }
    hr = CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                              RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);
    const int status = FAILED(hr) ? ComFail("CoInitializeSecurity", hr) : CountWithWmi(args[0]);
    CoUninitialize();
    return status;
}

// Memory inside another process, for messages whose pointers the system does not carry across.
class RemoteBuffer {
  public:
    RemoteBuffer(HANDLE process, std::size_t size)
        : process_(process),
          address_(VirtualAllocEx(process, nullptr, size, MEM_COMMIT, PAGE_READWRITE)) {}
    RemoteBuffer(const RemoteBuffer&) = delete;
    RemoteBuffer& operator=(const RemoteBuffer&) = delete;
    ~RemoteBuffer() {
        if (address_ != nullptr) {
            VirtualFreeEx(process_, address_, 0, MEM_RELEASE);
        }
    }
    char* get() const { return static_cast<char*>(address_); }

  private:
    HANDLE process_;
    void* address_;
};

struct TooltipsSearch {
    DWORD pid;
    std::vector<HWND> found;
};

// An EnumWindows callback: a lambda would not have the 32-bit build's stdcall convention.
BOOL CALLBACK CollectTooltips(HWND candidate, LPARAM data) {
    auto& into = *reinterpret_cast<TooltipsSearch*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(candidate, &pid);
    if (pid == into.pid && ClassName(candidate) == TOOLTIPS_CLASSW) {
        into.found.push_back(candidate);
    }
    return TRUE;
}

// Every tool of every tooltip control the window's process owns: which window it stands for
// (the tool's id, a window handle for TTF_IDISHWND tools) and its text.
int Tooltips(const std::vector<std::wstring>& args) {
    if (args.empty() || args.size() > 2) {
        return kExitUsage;
    }
    const HWND hwnd = FindTopLevel(args);
    if (hwnd == nullptr) {
        return kExitNoWindow;
    }
    TooltipsSearch search{0, {}};
    GetWindowThreadProcessId(hwnd, &search.pid);
    EnumWindows(CollectTooltips, reinterpret_cast<LPARAM>(&search));

    const HANDLE process =
        OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, search.pid);
    if (process == nullptr) {
        return Fail("OpenProcess");
    }
    constexpr std::size_t kTextChars = 1024;
    RemoteBuffer remote(process, sizeof(TOOLINFOW) + kTextChars * sizeof(wchar_t));
    if (remote.get() == nullptr) {
        CloseHandle(process);
        return Fail("VirtualAllocEx");
    }
    std::string out = "[";
    const char* separator = "\n";
    int status = kExitOk;
    for (const HWND tooltip : search.found) {
        DWORD_PTR count = 0;
        SendMessageTimeoutW(tooltip, TTM_GETTOOLCOUNT, 0, 0, SMTO_ABORTIFHUNG, 5000, &count);
        for (DWORD_PTR index = 0; index < count && status == kExitOk; ++index) {
            TOOLINFOW info{};
            info.cbSize = sizeof info;
            info.lpszText = reinterpret_cast<wchar_t*>(remote.get() + sizeof info);
            std::vector<wchar_t> text(kTextChars, L'\0');
            DWORD_PTR found = 0;
            if (!WriteProcessMemory(process, remote.get(), &info, sizeof info, nullptr) ||
                !WriteProcessMemory(process, info.lpszText, text.data(),
                                    text.size() * sizeof(wchar_t), nullptr) ||
                !SendMessageTimeoutW(tooltip, TTM_ENUMTOOLSW, index,
                                     reinterpret_cast<LPARAM>(remote.get()), SMTO_ABORTIFHUNG, 5000,
                                     &found) ||
                !ReadProcessMemory(process, remote.get(), &info, sizeof info, nullptr) ||
                !ReadProcessMemory(process, remote.get() + sizeof info, text.data(),
                                   (text.size() - 1) * sizeof(wchar_t), nullptr)) {
                status = Fail("reading a tooltip's tool");
                break;
            }
            out += separator;
            separator = ",\n";
            out += "  {\"tooltip\": " + std::to_string(reinterpret_cast<std::uintptr_t>(tooltip));
            out += ", \"tool\": " + std::to_string(info.uId);
            out += std::string(", \"id_is_window\": ") + JsonBool(info.uFlags & TTF_IDISHWND);
            out += ", \"text\": " + JsonString(text.data()) + "}";
        }
    }
    CloseHandle(process);
    if (status == kExitOk) {
        std::puts((out + "\n]").c_str());
    }
    return status;
}

int Processes(const std::vector<std::wstring>& args) {
    if (!args.empty()) {
        return kExitUsage;
    }
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE) {
        return Fail("CreateToolhelp32Snapshot");
    }
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    std::string out = "[";
    const char* separator = "";
    for (BOOL more = Process32FirstW(snapshot, &entry); more;
         more = Process32NextW(snapshot, &entry)) {
        out += separator;
        separator = ", ";
        out += "{\"pid\": " + std::to_string(entry.th32ProcessID) +
               ", \"name\": " + JsonString(entry.szExeFile) + "}";
    }
    CloseHandle(snapshot);
    std::puts((out + "]").c_str());
    return kExitOk;
}

// One way to run the helper: its first argument, what follows it, and what it does.
struct Mode {
    std::wstring_view name;
    const char* arguments;
    int (*run)(const std::vector<std::wstring>& args);
};

// clang-format off: one mode a line
constexpr Mode kModes[] = {
    {L"sleep", "", SleepForever},
    {L"window-info", " CLASS [CAPTION]", WindowInfo},
    {L"close", " CLASS [CAPTION]", Close},
    {L"windows", "", TopLevelWindows},
    {L"tooltips", " CLASS [CAPTION]", Tooltips},
    {L"processes", "", Processes},
    {L"wmi-count", " IMAGE", WmiCount},
    {L"service", " NAME", RunAsService},
    {L"start", " NAME", StandInForNet},
    {L"stop", " NAME", StandInForNet},
    {L"double-click-on-arrival", " CLASS ROW", DoubleClickOnArrival},
    {L"rival", " CAPTION", RunRival},
    {L"foreground", "", PrintForeground},
    {L"monitors", "", PrintMonitors},
    {L"check-state", " CLASS CAPTION TEXT", PrintCheckState},
    {L"resources", " CLASS [CAPTION]", ProcessResources},
};
// clang-format on

void PrintUsage() {
    std::fputs("usage: tavori-testhelper             (sleeps until killed)\n", stderr);
    for (const Mode& mode : kModes) {
        std::fprintf(stderr, "       tavori-testhelper %s%s\n", Utf8(mode.name).c_str(),
                     mode.arguments);
    }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        return SleepForever({});
    }
    const std::vector<std::wstring> args(argv + 2, argv + argc);
    for (const Mode& mode : kModes) {
        if (mode.name == argv[1]) {
            const int status = mode.run(args);
            if (status == kExitUsage) {
                PrintUsage();
            }
            std::fflush(stdout);
            return status;
        }
    }
    PrintUsage();
    return kExitUsage;
}
