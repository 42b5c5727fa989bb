// tavori-testhelper MODE ARGUMENT...: what the end-to-end tests run inside the monitor's Wine
// prefix. How to call each mode is said above its code; Run's table lists them.
#include <windows.h>
#include <oleacc.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

// oleacc on first use, not imported: as the DLL search test's control this exe runs beside a
// planted oleacc.dll, which must load only when asked to.
#define OLEACC(function)                   \
    reinterpret_cast<decltype(&function)>( \
        reinterpret_cast<void (*)()>(GetProcAddress(LoadLibraryW(L"oleacc.dll"), #function)))

// Non-ASCII as \u escapes too: the output is ASCII whatever the code page.
std::string Quoted(const std::wstring& text) {
    std::string out = "\"";
    for (const wchar_t c : text) {
        char one[8];
        const bool escaped = c < 0x20 || c > 0x7e || c == '"' || c == '\\';
        std::snprintf(one, sizeof one, escaped ? "\\u%04x" : "%c", static_cast<unsigned>(c));
        out += one;
    }
    return out + "\"";
}

// The JSON every mode prints: {"key": value, ...} from key, value, key, value ...; [item, ...].
template <typename... Items>
std::string Object(const Items&... keysAndValues) {
    std::string out;
    bool key = false;
    for (const std::string& item : {std::string(keysAndValues)...}) {
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

std::string N(long long number) {
    return std::to_string(number);
}

std::string Handle(HWND hwnd) {
    return N(reinterpret_cast<UINT_PTR>(hwnd));
}

RECT WindowRect(HWND hwnd) {
    RECT rect{};
    GetWindowRect(hwnd, &rect);
    return rect;
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
    return reinterpret_cast<HWND>(static_cast<UINT_PTR>(_wtoi64(text)));
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

// windows CLASS: the visible top-level windows of CLASS, children and all, as JSON.
int Windows(const std::wstring&, wchar_t** args, int) {
    RECT work{};
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    std::vector<std::string> windows;
    int z = 0;  // the place in the Z order, from the top
    for (HWND hwnd = GetTopWindow(nullptr); hwnd; hwnd = GetWindow(hwnd, GW_HWNDNEXT), ++z) {
        if (!IsWindowVisible(hwnd) || _wcsicmp(Class(hwnd).c_str(), args[0]) != 0) {
            continue;
        }
        RECT client{};
        GetClientRect(hwnd, &client);
        MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&client), 2);  // to the screen's
        DWORD pid = 0;
        GUITHREADINFO thread{};
        thread.cbSize = sizeof thread;
        GetGUIThreadInfo(GetWindowThreadProcessId(hwnd, &pid), &thread);
        std::vector<std::string> children;
        for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            DWORD_PTR check = 0;
            SendMessageTimeoutW(child, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &check);
            children.push_back(Object("class", Quoted(Class(child)), "text", Quoted(Text(child)),
                                      "hwnd", Handle(child), "id", N(GetDlgCtrlID(child)), "rect",
                                      Rect(WindowRect(child)), "style", Long(child, GWL_STYLE),
                                      "exstyle", Long(child, GWL_EXSTYLE), "check", N(check)));
        }
        windows.push_back(Object(
            "hwnd", Handle(hwnd), "z", N(z), "pid", N(pid), "caption", Quoted(Text(hwnd)), "window",
            Rect(WindowRect(hwnd)), "client", Rect(client), "style", Long(hwnd, GWL_STYLE),
            "exstyle", Long(hwnd, GWL_EXSTYLE), "enabled", N(IsWindowEnabled(hwnd)), "move_size",
            N(thread.hwndMoveSize == hwnd), "children", List(children, ",\n  ")));
    }
    Say(Object("work", Rect(work), "foreground", Handle(GetForegroundWindow()), "windows",
               List(windows, ",\n")));
    return 0;
}

// close HWND...: WM_CLOSE to each window, back to back so that they close together.
// post|send HWND MESSAGE WPARAM LPARAM, numbers in hex: a handler busy past 10 s is the
// program's fault.
int Message(const std::wstring& mode, wchar_t** args, int count) {
    const bool close = mode == L"close";
    const auto number = [&](int i) { return close ? 0 : wcstoull(args[i], nullptr, 16); };
    const UINT message = close ? WM_CLOSE : static_cast<UINT>(number(1));
    if (mode == L"send") {
        return SendMessageTimeoutW(HandleFrom(args[0]), message, number(2), number(3), SMTO_NORMAL,
                                   10000, nullptr) == 0;
    }
    bool posted = true;
    for (int i = 0; i < (close ? count : 1); ++i) {
        posted &= PostMessageW(HandleFrom(args[close ? i : 0]), message, number(2), number(3)) != 0;
    }
    return posted ? 0 : 1;
}

// focus HWND MS: for MS ms, each change of the windows in front and in focus, as JSON.
int Focus(const std::wstring&, wchar_t** args, int) {
    const ULONGLONG end = GetTickCount64() + _wtoi(args[1]);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    for (std::string last; GetTickCount64() < end; Sleep(1)) {
        GetGUIThreadInfo(GetWindowThreadProcessId(HandleFrom(args[0]), nullptr), &info);
        const std::string now = Object("foreground", Handle(GetForegroundWindow()), "active",
                                       Handle(info.hwndActive), "focus", Handle(info.hwndFocus));
        if (now != last) {
            Say(last = now);
        }
    }
    return 0;
}

// service NAME: runs as the own-process service NAME until it is stopped. Its control handler
// runs on this thread, in the dispatcher, which returns once the service says it stopped.
SERVICE_STATUS_HANDLE statusHandle = nullptr;
SERVICE_STATUS status{SERVICE_WIN32_OWN_PROCESS, SERVICE_RUNNING, SERVICE_ACCEPT_STOP, 0, 0, 0, 0};

DWORD WINAPI Control(DWORD control, DWORD, LPVOID, LPVOID) {
    if (control == SERVICE_CONTROL_STOP) {
        status.dwCurrentState = SERVICE_STOPPED;
        SetServiceStatus(statusHandle, &status);
    }
    return NO_ERROR;
}

void WINAPI ServiceMain(DWORD, LPWSTR* argv) {  // argv[0]: the service's name
    statusHandle = RegisterServiceCtrlHandlerExW(argv[0], Control, nullptr);
    SetServiceStatus(statusHandle, &status);  // running, with nothing to do until stopped
}

int Service(const std::wstring&, wchar_t** args, int) {
    SERVICE_TABLE_ENTRYW table[] = {{args[0], ServiceMain}, {nullptr, nullptr}};
    return StartServiceCtrlDispatcherW(table) ? 0 : 1;
}

// start|stop NAME, in place of the system's net.exe: notes the run in net-ran.txt beside itself
// (a test fails when it appears), and fails as net.exe does.
int StandInForNet(const std::wstring&, wchar_t**, int) {
    wchar_t path[MAX_PATH + 16] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    wcscpy(wcsrchr(path, L'\\') + 1, L"net-ran.txt");
    if (FILE* marker = _wfopen(path, L"ab")) {
        std::fprintf(marker, "%ls\n", GetCommandLineW());
        std::fclose(marker);
    }
    return 2;
}

// load DLL: by name with the default search, as the DLL search test's control; 0 if it loaded.
int Load(const std::wstring&, wchar_t** args, int) {
    return LoadLibraryW(args[0]) != nullptr ? 0 : 1;
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
    return Object("name", say(&IAccessible::get_accName), "value", say(&IAccessible::get_accValue),
                  "description", say(&IAccessible::get_accDescription), "action",
                  say(&IAccessible::get_accDefaultAction));
}

// rows HWND: each row of main window HWND as JSON, as a screen reader (MSAA) says it.
// act HWND ROW: runs the default action of row ROW (from 0), as a screen reader does.
int Rows(const std::wstring& mode, wchar_t** args, int) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    std::vector<HWND> rows;
    for (HWND row = nullptr; (row = FindWindowExW(HandleFrom(args[0]), row, L"Edit", nullptr));) {
        rows.push_back(row);
    }
    std::sort(rows.begin(), rows.end(),
              [](HWND a, HWND b) { return WindowRect(a).top < WindowRect(b).top; });
    if (mode == L"act") {  // that row alone, or none to fail on
        const auto row = static_cast<std::size_t>(_wtoi(args[1]));
        rows = {row < rows.size() ? rows[row] : nullptr};
    }
    VARIANT self{};
    self.vt = VT_I4;  // and lVal 0, CHILDID_SELF
    for (const HWND row : rows) {
        IAccessible* object = nullptr;
        HRESULT hr = OLEACC(AccessibleObjectFromWindow)(row, OBJID_CLIENT, IID_PPV_ARGS(&object));
        if (SUCCEEDED(hr)) {
            hr = mode == L"act" ? object->accDoDefaultAction(self)
                                : (Say(Speak(object, self)), S_OK);
            object->Release();
        }
        if (FAILED(hr)) {
            Say("MSAA failed: " + N(hr));
            return 1;
        }
    }
    return 0;
}

void CALLBACK Hear(HWINEVENTHOOK, DWORD, HWND window, LONG objectId, LONG childId, DWORD, DWORD) {
    IAccessible* object = nullptr;
    VARIANT child{};
    if (SUCCEEDED(OLEACC(AccessibleObjectFromEvent)(window, objectId, childId, &object, &child))) {
        Say(Speak(object, child));
        object->Release();
    }
}

// Modes that run until killed. rival|taskbar: a topmost TAVORI_TEST_RIVAL or Shell_TrayWnd window
// takes the foreground. event NAME: holds an event of that name, says "held". listen PID: says
// "ready", then each value change in process PID as JSON. No mode (as mepops.exe, a process the
// monitor should see), or any other: no more.
int Hold(const std::wstring& mode, wchar_t** args, int count) {
    if (mode == L"rival" || mode == L"taskbar") {
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = DefWindowProcW;
        windowClass.lpszClassName = mode == L"rival" ? L"TAVORI_TEST_RIVAL" : L"Shell_TrayWnd";
        RegisterClassW(&windowClass);
        SetForegroundWindow(CreateWindowExW(WS_EX_TOPMOST, windowClass.lpszClassName, L"RIVAL",
                                            WS_OVERLAPPEDWINDOW | WS_VISIBLE, 400, 300, 240, 120,
                                            nullptr, nullptr, nullptr, nullptr));
    } else if (mode == L"event" && count == 1 && CreateEventW(nullptr, TRUE, FALSE, args[0])) {
        Say("held");
    } else if (mode == L"listen" && count == 1) {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        // By the process alone: with WINEVENT_SKIPOWNPROCESS too, Wine 8 sends none out of context.
        if (!SetWinEventHook(EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr, Hear,
                             static_cast<DWORD>(_wtoi(args[0])), 0, WINEVENT_OUTOFCONTEXT)) {
            return 1;
        }
        Say("ready");
    }
    for (MSG message{}; GetMessageW(&message, nullptr, 0, 0) > 0;) {
        DispatchMessageW(&message);
    }
    return 0;
}

int Run(int argc, wchar_t** argv) {
    const struct {
        const wchar_t* name;
        int least, most;  // arguments after the mode's name, which run takes with them
        int (*run)(const std::wstring& mode, wchar_t** args, int count);
    } modes[] = {{L"windows", 1, 1, Windows},
                 {L"close", 1, MAXLONG, Message},
                 {L"post", 4, 4, Message},
                 {L"send", 4, 4, Message},
                 {L"focus", 2, 2, Focus},
                 {L"service", 1, 1, Service},
                 {L"start", 0, MAXLONG, StandInForNet},
                 {L"stop", 0, MAXLONG, StandInForNet},
                 {L"rows", 1, 1, Rows},
                 {L"act", 2, 2, Rows},
                 {L"load", 1, 1, Load}};
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    const auto known = std::find_if(std::begin(modes), std::end(modes), [&](const auto& m) {
        return mode == m.name && argc - 2 >= m.least && argc - 2 <= m.most;
    });
    return (known != std::end(modes) ? known->run : Hold)(mode, argv + 2, argc - 2);
}

// serve: runs each input line, a request of a mode that ends, as a command line after a first word
// that stands for the program's name; answers, then "=STATUS".
int Serve() {
    for (wchar_t line[1024]; std::fgetws(line, 1024, stdin) != nullptr;) {
        line[std::wcscspn(line, L"\r\n")] = L'\0';
        int argc = 0;
        wchar_t** argv = CommandLineToArgvW((L"serve " + std::wstring(line)).c_str(), &argc);
        Say('=' + N(Run(argc, argv)));
        LocalFree(argv);
    }
    return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    return argc == 2 && std::wstring(argv[1]) == L"serve" ? Serve() : Run(argc, argv);
}
