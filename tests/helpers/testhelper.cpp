// tavori-testhelper: what the end-to-end tests run inside the monitor's Wine prefix.
//
//   tavori-testhelper                  sleep until killed: copied as mepops.exe it is a process
//                                      the monitor should see
//   tavori-testhelper windows CLASS    print the visible top-level windows of CLASS, with their
//                                      children and Z order, whether their thread runs a move or
//                                      size loop on them, and the screen's facts, as JSON
//   tavori-testhelper close HWND...    post WM_CLOSE to each window, back to back
//   tavori-testhelper post|send HWND MESSAGE WPARAM LPARAM [COUNT]
//                                      post (COUNT times) or send that message, numbers in hex
//   tavori-testhelper focus HWND MS    sample, every millisecond or so for MS ms, the foreground
//                                      window and the active and focus windows of HWND's
//                                      thread; print each change as a JSON line
//   tavori-testhelper rival            show a topmost window of class TAVORI_TEST_RIVAL and take
//                                      the foreground; runs until killed
//   tavori-testhelper taskbar          the same, of class Shell_TrayWnd: the taskbar's stand-in
//   tavori-testhelper service NAME     run as the own-process service NAME until it is stopped
//   tavori-testhelper event NAME       hold an event of that name, print "held", run until killed
//   net.exe start|stop NAME            a copy named net.exe only notes that it ran, in
//                                      net-ran.txt beside itself, and fails as net.exe does
#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <cwchar>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

std::string Quoted(const std::wstring& text) {
    std::string out = "\"";
    for (const char c : Utf8(text)) {
        char escaped[8];
        std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned char>(c));
        out += c == '"' || c == '\\' || static_cast<unsigned char>(c) < 0x20 ? escaped
                                                                             : std::string(1, c);
    }
    return out + "\"";
}

std::string Handle(HWND hwnd) {
    return std::to_string(reinterpret_cast<std::uintptr_t>(hwnd));
}

std::string Rect(const RECT& r) {
    char text[64];
    std::snprintf(text, sizeof text, "[%ld, %ld, %ld, %ld]", r.left, r.top, r.right - r.left,
                  r.bottom - r.top);
    return text;
}

// Another process's control answers only WM_GETTEXT: GetWindowTextW gives its empty caption.
std::wstring Text(HWND hwnd) {
    DWORD_PTR length = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length);
    std::wstring text(length + 1, L'\0');
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()),
                        SMTO_ABORTIFHUNG, 5000, &copied);
    text.resize(copied);
    return text;
}

std::wstring Class(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return name;
}

std::string Styles(HWND hwnd) {
    return ", \"style\": " + std::to_string(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_STYLE))) +
           ", \"exstyle\": " +
           std::to_string(static_cast<DWORD>(GetWindowLongW(hwnd, GWL_EXSTYLE)));
}

std::string Describe(HWND hwnd, int z) {
    RECT window{};
    RECT client{};
    POINT origin{};
    GetWindowRect(hwnd, &window);
    GetClientRect(hwnd, &client);
    ClientToScreen(hwnd, &origin);
    OffsetRect(&client, origin.x, origin.y);
    DWORD pid = 0;
    GUITHREADINFO thread{};
    thread.cbSize = sizeof thread;
    GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, &pid), &thread);
    std::string out = "{\"hwnd\": " + Handle(hwnd) + ", \"z\": " + std::to_string(z) +
                      ", \"pid\": " + std::to_string(pid) + ", \"caption\": " + Quoted(Text(hwnd)) +
                      ", \"window\": " + Rect(window) + ", \"client\": " + Rect(client) +
                      Styles(hwnd) + ", \"enabled\": " + std::to_string(IsWindowEnabled(hwnd)) +
                      ", \"move_size\": " + std::to_string(thread.hwndMoveSize == hwnd) +
                      ", \"children\": [";
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect{};
        GetWindowRect(child, &rect);
        DWORD_PTR check = 0;
        SendMessageTimeoutW(child, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &check);
        out += "\n  {\"class\": " + Quoted(Class(child)) + ", \"text\": " + Quoted(Text(child)) +
               ", \"hwnd\": " + Handle(child) + ", \"id\": " + std::to_string(GetDlgCtrlID(child)) +
               ", \"rect\": " + Rect(rect) + Styles(child) +
               ", \"check\": " + std::to_string(check) + "},";
    }
    if (out.back() == ',') {
        out.pop_back();
    }
    return out + "]}";
}

int Windows(const wchar_t* className) {
    const HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    char facts[256];
    std::snprintf(facts, sizeof facts,
                  "{\"dpi\": %d, \"screen\": [%d, %d], \"min_track\": [%d, %d], \"work\": ", dpi,
                  GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                  GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK));
    std::string out = facts + Rect(work) + ", \"foreground\": " + Handle(GetForegroundWindow()) +
                      ", \"windows\": [";
    int z = 0;  // the place in the Z order, from the top
    for (HWND hwnd = GetTopWindow(nullptr); hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT), ++z) {
        if (IsWindowVisible(hwnd) && _wcsicmp(Class(hwnd).c_str(), className) == 0) {
            out += Describe(hwnd, z);
            out += ",\n";
        }
    }
    if (out.back() == '\n') {
        out.resize(out.size() - 2);
    }
    std::fputs((out + "]}\n").c_str(), stdout);
    return 0;
}

int Rival(const wchar_t* className) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
    const HWND rival = CreateWindowExW(WS_EX_TOPMOST, windowClass.lpszClassName, L"RIVAL",
                                       WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 300, 240, 120,
                                       nullptr, nullptr, windowClass.hInstance, nullptr);
    SetForegroundWindow(rival);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
    }
    return 0;
}

HWND HandleFrom(const wchar_t* text) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(_wtoi64(text)));
}

int Message(bool post, wchar_t** args, int count) {
    const HWND hwnd = HandleFrom(args[0]);
    const auto message = static_cast<UINT>(wcstoul(args[1], nullptr, 16));
    const auto wParam = static_cast<WPARAM>(wcstoull(args[2], nullptr, 16));
    const auto lParam = static_cast<LPARAM>(wcstoull(args[3], nullptr, 16));
    if (!post) {  // a handler that does not return within 10 s is a fault of the program's
        DWORD_PTR result = 0;
        return SendMessageTimeoutW(hwnd, message, wParam, lParam, SMTO_NORMAL, 10000, &result) ? 0
                                                                                               : 1;
    }
    int posted = 0;
    while (posted < count && PostMessageW(hwnd, message, wParam, lParam)) {
        ++posted;
    }
    return posted == count ? 0 : 1;
}

int Focus(HWND hwnd, DWORD milliseconds) {
    const DWORD thread = GetWindowThreadProcessId(hwnd, nullptr);
    std::string last;
    for (const ULONGLONG end = GetTickCount64() + milliseconds; GetTickCount64() < end; Sleep(1)) {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        GetGUIThreadInfo(thread, &info);
        const std::string now = "{\"foreground\": " + Handle(GetForegroundWindow()) +
                                ", \"active\": " + Handle(info.hwndActive) +
                                ", \"focus\": " + Handle(info.hwndFocus) + "}";
        if (now != last) {
            std::puts(now.c_str());
            last = now;
        }
    }
    return 0;
}

// The one service this process runs: the service control manager calls in on its own threads.
SERVICE_STATUS_HANDLE statusHandle = nullptr;
SERVICE_STATUS status{};
HANDLE stopped = nullptr;
wchar_t serviceName[64] = {};

void Report(DWORD state) {
    status.dwServiceType = SERVICE_WIN32_OWN_PROCESS;
    status.dwCurrentState = state;
    status.dwControlsAccepted = state == SERVICE_RUNNING ? SERVICE_ACCEPT_STOP : 0;
    SetServiceStatus(statusHandle, &status);
}

DWORD WINAPI Control(DWORD control, DWORD, LPVOID, LPVOID) {
    if (control == SERVICE_CONTROL_STOP) {
        Report(SERVICE_STOP_PENDING);
        SetEvent(stopped);
    }
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, LPWSTR*) {
    statusHandle = RegisterServiceCtrlHandlerExW(serviceName, Control, nullptr);
    Report(SERVICE_RUNNING);
    WaitForSingleObject(stopped, INFINITE);
    Report(SERVICE_STOPPED);  // the control manager may end the process from here on
}

int Service(const wchar_t* name) {
    wcsncpy(serviceName, name, 63);
    stopped = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    SERVICE_TABLE_ENTRYW table[] = {{serviceName, ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}

// Run in place of the system's net.exe: a test fails when this file appears.
int StandInForNet() {
    std::wstring path(MAX_PATH, L'\0');
    path.resize(GetModuleFileNameW(nullptr, path.data(), MAX_PATH));
    FILE* marker = _wfopen((path.substr(0, path.rfind(L'\\') + 1) + L"net-ran.txt").c_str(), L"ab");
    if (marker != nullptr) {
        std::fprintf(marker, "%s\n", Utf8(GetCommandLineW()).c_str());
        std::fclose(marker);
    }
    return 2;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"start" || mode == L"stop") {
        return StandInForNet();
    }
    if (mode == L"windows" && argc == 3) {
        return Windows(argv[2]);
    }
    if (mode == L"close" && argc >= 3) {
        bool posted = true;  // to every window back to back, so that they close together
        for (int i = 2; i < argc; ++i) {
            posted = PostMessageW(HandleFrom(argv[i]), WM_CLOSE, 0, 0) && posted;
        }
        return posted ? 0 : 1;
    }
    if ((mode == L"post" || mode == L"send") && (argc == 6 || argc == 7)) {
        return Message(mode == L"post", argv + 2, argc == 7 ? _wtoi(argv[6]) : 1);
    }
    if (mode == L"focus" && argc == 4) {
        return Focus(HandleFrom(argv[2]), static_cast<DWORD>(_wtoi(argv[3])));
    }
    if (mode == L"rival" || mode == L"taskbar") {
        return Rival(mode == L"rival" ? L"TAVORI_TEST_RIVAL" : L"Shell_TrayWnd");
    }
    if (mode == L"service" && argc == 3) {
        return Service(argv[2]);
    }
    if (mode == L"event" && argc == 3 && CreateEventW(nullptr, TRUE, FALSE, argv[2]) != nullptr) {
        std::puts("held");
        std::fflush(stdout);
    }
    Sleep(INFINITE);
    return 0;
}
