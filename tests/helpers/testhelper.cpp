// tavori-testhelper MODE ...: what the end-to-end tests run inside the monitor's Wine prefix.
//   (no mode)       sleep until killed: copied as mepops.exe, a process the monitor should see
//   windows CLASS   print as JSON the visible top-level windows of CLASS, children and all
//   close HWND...   post WM_CLOSE to each window, back to back
//   post|send HWND MESSAGE WPARAM LPARAM [COUNT]   post (COUNT times) or send it, numbers in hex
//   focus HWND MS   for MS ms, print as JSON each change of the windows in front and in focus
//   rival|taskbar   take the foreground with a topmost TAVORI_TEST_RIVAL or Shell_TrayWnd window
//   service NAME    run as the own-process service NAME until it is stopped
//   event NAME      hold an event of that name, print "held"; until killed
//   start|stop NAME as net.exe: note the run in net-ran.txt beside itself, fail as net.exe does
//   rows HWND       as a screen reader does (MSAA): print each row of main window HWND as JSON
//   act HWND ROW    run the default action of row ROW (from 0), as a screen reader does
//   listen PID      print "ready", then each value change in process PID as JSON; until killed
//   load DLL        load DLL by name with the default search, as the DLL search test's control
//   serve           run a request of a mode that ends per input line; answer, then "=STATUS"
#include <windows.h>
#include <oleacc.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// oleacc on first use, not imported: as the DLL search test's control this exe runs beside a
// planted oleacc.dll, which must load only when asked to.
#define FROM_OLEACC(function)              \
    reinterpret_cast<decltype(&function)>( \
        reinterpret_cast<void (*)()>(GetProcAddress(LoadLibraryW(L"oleacc.dll"), #function)))

std::string Utf8(const std::wstring& text) {
    std::string out(text.size() * 3, '\0');  // room for three bytes a UTF-16 unit, the most
    out.resize(static_cast<std::size_t>(
        WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(),
                            static_cast<int>(out.size()), nullptr, nullptr)));
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

// The JSON every mode prints: {"key": value, ...} from key, value, key, value ...; [item, ...].
std::string Object(std::initializer_list<std::string> keysAndValues) {
    std::string out;
    bool key = false;
    for (const std::string& item : keysAndValues) {
        out += (key = !key) ? (out.empty() ? "{\"" : ", \"") + item + "\": " : item;
    }
    return out + "}";
}

std::string List(const std::vector<std::string>& items, const char* between = ", ") {
    std::string out;
    for (const std::string& item : items) {
        out += (out.empty() ? "" : between) + item;
    }
    return "[" + out + "]";
}

template <typename Number>
std::string N(Number number) {
    return std::to_string(number);
}

std::string Handle(HWND hwnd) {
    return N(reinterpret_cast<std::uintptr_t>(hwnd));
}

std::string Rect(const RECT& r) {
    return List({N(r.left), N(r.top), N(r.right - r.left), N(r.bottom - r.top)});
}

std::string Long(HWND hwnd, int index) {
    return N(static_cast<DWORD>(GetWindowLongW(hwnd, index)));
}

void Say(const std::string& line) {
    std::puts(line.c_str());
    std::fflush(stdout);
}

HWND HandleFrom(const wchar_t* text) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(_wtoi64(text)));
}

RECT WindowRect(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return rect;
}

GUITHREADINFO ThreadInfo(DWORD thread) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(thread, &info);
    return info;
}

// Another process's control answers only WM_GETTEXT: GetWindowTextW gives its empty caption.
std::wstring Text(HWND hwnd) {
    wchar_t text[4096] = {};
    DWORD_PTR copied = 0;
    SendMessageTimeoutW(hwnd, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                        5000, &copied);
    return {text, copied};
}

std::wstring Class(HWND hwnd) {
    wchar_t name[256] = {};
    GetClassNameW(hwnd, name, 256);
    return name;
}

std::string Describe(HWND hwnd, int z) {
    RECT client{};
    GetClientRect(hwnd, &client);
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);  // to the screen's
    DWORD pid = 0;
    const GUITHREADINFO thread = ThreadInfo(GetWindowThreadProcessId(hwnd, &pid));
    std::vector<std::string> children;
    for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        DWORD_PTR check = 0;
        SendMessageTimeoutW(child, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &check);
        children.push_back(Object({"class", Quoted(Class(child)), "text", Quoted(Text(child)),
                                   "hwnd", Handle(child), "id", N(GetDlgCtrlID(child)), "rect",
                                   Rect(WindowRect(child)), "style", Long(child, GWL_STYLE),
                                   "exstyle", Long(child, GWL_EXSTYLE), "check", N(check)}));
    }
    return Object(
        {"hwnd", Handle(hwnd), "z", N(z), "pid", N(pid), "caption", Quoted(Text(hwnd)), "window",
         Rect(WindowRect(hwnd)), "client", Rect(client), "style", Long(hwnd, GWL_STYLE), "exstyle",
         Long(hwnd, GWL_EXSTYLE), "enabled", N(IsWindowEnabled(hwnd)),
         // Whether its thread runs a move or size loop on it.
         "move_size", N(thread.hwndMoveSize == hwnd), "children", List(children, ",\n  ")});
}

int Windows(const wchar_t* className) {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    std::vector<std::string> windows;
    int z = 0;  // the place in the Z order, from the top
    for (HWND hwnd = GetTopWindow(nullptr); hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT), ++z) {
        if (IsWindowVisible(hwnd) && _wcsicmp(Class(hwnd).c_str(), className) == 0) {
            windows.push_back(Describe(hwnd, z));
        }
    }
    Say(Object({"work", Rect(work), "foreground", Handle(GetForegroundWindow()), "windows",
                List(windows, ",\n")}));
    return 0;
}

int Pump() {
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        DispatchMessageW(&message);
    }
    return 0;
}

int Rival(const wchar_t* className) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = DefWindowProcW;
    windowClass.hInstance = GetModuleHandleW(nullptr);
    windowClass.lpszClassName = className;
    RegisterClassW(&windowClass);
    SetForegroundWindow(CreateWindowExW(WS_EX_TOPMOST, className, L"RIVAL",
                                        WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 300, 240, 120,
                                        nullptr, nullptr, windowClass.hInstance, nullptr));
    return Pump();
}

// close: WM_CLOSE to each window, back to back so that they close together; post, send: the
// message, wParam and lParam (hex) to one window. A handler busy past 10 s is the program's fault.
int Message(const std::wstring& mode, wchar_t** args, int count) {
    const bool close = mode == L"close";
    const auto number = [&](int i) { return close ? 0 : wcstoull(args[i], nullptr, 16); };
    const auto message = static_cast<UINT>(close ? WM_CLOSE : number(1));
    const auto wParam = static_cast<WPARAM>(number(2));
    const auto lParam = static_cast<LPARAM>(number(3));
    if (mode == L"send") {
        return SendMessageTimeoutW(HandleFrom(args[0]), message, wParam, lParam, SMTO_NORMAL, 10000,
                                   nullptr) == 0;
    }
    bool posted = true;
    for (int i = 0; i < (close ? count : count == 5 ? _wtoi(args[4]) : 1); ++i) {
        posted = PostMessageW(HandleFrom(args[close ? i : 0]), message, wParam, lParam) && posted;
    }
    return posted ? 0 : 1;
}

int Focus(HWND hwnd, DWORD milliseconds) {
    const DWORD thread = GetWindowThreadProcessId(hwnd, nullptr);
    std::string last;
    for (const ULONGLONG end = GetTickCount64() + milliseconds; GetTickCount64() < end; Sleep(1)) {
        const GUITHREADINFO info = ThreadInfo(thread);
        const std::string now = Object({"foreground", Handle(GetForegroundWindow()), "active",
                                        Handle(info.hwndActive), "focus", Handle(info.hwndFocus)});
        if (now != last) {
            Say(last = now);
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

// What a screen reader says of an object: its name, value, description and default action.
std::string Speak(IAccessible* object, VARIANT child) {
    const auto say = [&](auto get) {
        BSTR text = nullptr;
        (object->*get)(child, &text);
        const std::wstring wide(text != nullptr ? text : L"", SysStringLen(text));
        SysFreeString(text);
        return Quoted(wide);
    };
    return Object({"name", say(&IAccessible::get_accName), "value", say(&IAccessible::get_accValue),
                   "description", say(&IAccessible::get_accDescription), "action",
                   say(&IAccessible::get_accDefaultAction)});
}

// Prints each row as Speak says it, or runs the default action of the row numbered act.
int Rows(HWND main, int act) {
    std::vector<HWND> rows;
    for (HWND child = GetWindow(main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (_wcsicmp(Class(child).c_str(), L"Edit") == 0) {
            rows.push_back(child);
        }
    }
    std::sort(rows.begin(), rows.end(),
              [](HWND a, HWND b) { return WindowRect(a).top < WindowRect(b).top; });
    VARIANT self{};
    self.vt = VT_I4;  // and lVal 0, CHILDID_SELF
    for (std::size_t row = act < 0 ? 0 : static_cast<std::size_t>(act); row < rows.size(); ++row) {
        IAccessible* object = nullptr;
        const HRESULT hr = FROM_OLEACC(AccessibleObjectFromWindow)(
            rows[row], static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
            reinterpret_cast<void**>(&object));
        if (FAILED(hr)) {
            Say("AccessibleObjectFromWindow failed: " + N(hr));
            return 1;
        }
        if (act >= 0) {
            const HRESULT acted = object->accDoDefaultAction(self);
            object->Release();
            return SUCCEEDED(acted) ? 0 : 1;
        }
        Say(Speak(object, self));
        object->Release();
    }
    return act < 0 ? 0 : 1;
}

void CALLBACK Hear(HWINEVENTHOOK, DWORD, HWND window, LONG objectId, LONG childId, DWORD, DWORD) {
    IAccessible* object = nullptr;
    VARIANT child{};
    if (SUCCEEDED(FROM_OLEACC(AccessibleObjectFromEvent)(
            window, static_cast<DWORD>(objectId), static_cast<DWORD>(childId), &object, &child))) {
        Say(Speak(object, child));
        object->Release();
    }
}

int Listen(DWORD pid) {
    // By the process alone: with WINEVENT_SKIPOWNPROCESS too, Wine 8 sends nothing out of context.
    if (!SetWinEventHook(EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr, Hear, pid, 0,
                         WINEVENT_OUTOFCONTEXT)) {
        return 1;
    }
    Say("ready");
    return Pump();
}

int Run(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"start" || mode == L"stop") {
        return StandInForNet();
    }
    if (mode == L"load" && argc == 3) {
        return LoadLibraryW(argv[2]) != nullptr ? 0 : 1;
    }
    if (mode == L"windows" && argc == 3) {
        return Windows(argv[2]);
    }
    if ((mode == L"close" && argc >= 3) ||
        ((mode == L"post" || mode == L"send") && (argc == 6 || argc == 7))) {
        return Message(mode, argv + 2, argc - 2);
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
    if ((mode == L"rows" && argc == 3) || (mode == L"act" && argc == 4) ||
        (mode == L"listen" && argc == 3)) {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        return mode == L"listen" ? Listen(static_cast<DWORD>(_wtoi(argv[2])))
                                 : Rows(HandleFrom(argv[2]), mode == L"act" ? _wtoi(argv[3]) : -1);
    }
    if (mode == L"event" && argc == 3 && CreateEventW(nullptr, TRUE, FALSE, argv[2]) != nullptr) {
        Say("held");
    }
    Sleep(INFINITE);
    return 0;
}

// Runs each line as a command line, after a first word that stands for the program's name.
int Serve() {
    for (wchar_t line[1024]; std::fgetws(line, 1024, stdin) != nullptr;) {
        line[std::wcscspn(line, L"\r\n")] = L'\0';
        int argc = 0;
        wchar_t** argv = CommandLineToArgvW((L"serve " + std::wstring(line)).c_str(), &argc);
        std::printf("=%d\n", Run(argc, argv));
        std::fflush(stdout);
        LocalFree(argv);
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    return argc == 2 && std::wstring(argv[1]) == L"serve" ? Serve() : Run(argc, argv);
}
