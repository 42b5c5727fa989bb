// tavori-testhelper's desktop modes: the foreground, the monitors, and a rival window that wants
// to stay on top of everything.
//
//   tavori-testhelper rival CAPTION      show a topmost window of class TAVORI_TEST_RIVAL titled
//                                        CAPTION, make it the foreground window, print it as one
//                                        JSON object once that is done, then keep it until it is
//                                        closed (exit 0) or the process is killed
//   tavori-testhelper foreground         print the foreground window as one JSON object; exit 2
//                                        when no window holds the foreground
//   tavori-testhelper monitors           print every monitor's bounds and work area (JSON list)
//   tavori-testhelper check-state CLASS CAPTION TEXT
//                                        print the state of the check box showing TEXT in that
//                                        top-level window: 0 cleared, 1 ticked, 2 greyed (JSON);
//                                        exit 2 when there is no such window or box
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitNoWindow = 2;
constexpr int kExitUsage = 64;

constexpr wchar_t kRivalClass[] = L"TAVORI_TEST_RIVAL";

int Fail(const char* what) {
    std::fprintf(stderr, "tavori-testhelper: %s failed (error %lu)\n", what, GetLastError());
    return kExitFailed;
}

std::string Utf8(const std::wstring& text) {
    if (text.empty()) {
        return {};
    }
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()),
                                         nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), size,
                        nullptr, nullptr);
    return out;
}

// A JSON string literal for text, quotes included.
std::string JsonString(const std::wstring& text) {
    std::string out = "\"";
    for (const char c : Utf8(text)) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            out += escaped;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

std::string JsonRect(const RECT& r) {
    char text[128];
    std::snprintf(text, sizeof text,
                  "{\"left\": %ld, \"top\": %ld, \"width\": %ld, \"height\": %ld}", r.left, r.top,
                  r.right - r.left, r.bottom - r.top);
    return text;
}

// The window as the tests name it: handle, class, caption, process and extended style.
std::string DescribeWindow(HWND hwnd) {
    wchar_t className[256] = {};
    GetClassNameW(hwnd, className, 256);
    std::wstring caption(static_cast<std::size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    caption.resize(static_cast<std::size_t>(
        GetWindowTextW(hwnd, caption.data(), static_cast<int>(caption.size()))));
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    char exStyle[16];
    std::snprintf(exStyle, sizeof exStyle, "0x%08lx",
                  static_cast<unsigned long>(GetWindowLongW(hwnd, GWL_EXSTYLE)));
    return "{\"hwnd\": " + std::to_string(reinterpret_cast<std::uintptr_t>(hwnd)) +
           ", \"class\": " + JsonString(className) + ", \"caption\": " + JsonString(caption) +
           ", \"pid\": " + std::to_string(pid) + ", \"exstyle\": \"" + exStyle + "\"}";
}

LRESULT CALLBACK RivalProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

// A control's own text: from another process only WM_GETTEXT reaches it.
std::wstring ControlText(HWND hwnd) {
    constexpr UINT kTimeoutMs = 5000;
    wchar_t text[256] = {};
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutW(hwnd, WM_GETTEXT, 256, reinterpret_cast<LPARAM>(text),
                             SMTO_ABORTIFHUNG, kTimeoutMs, &copied)) {
        return {};
    }
    return std::wstring(text, copied);
}

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, RECT*, LPARAM data) {
    auto& out = *reinterpret_cast<std::string*>(data);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) {
        out += out.size() > 1 ? ",\n  " : "\n  ";
        out += "{\"bounds\": " + JsonRect(info.rcMonitor) + ", \"work\": " + JsonRect(info.rcWork) +
               ", \"primary\": " + ((info.dwFlags & MONITORINFOF_PRIMARY) ? "true" : "false") + "}";
    }
    return TRUE;
}

}  // namespace

int RunRival(const std::vector<std::wstring>& args) {
    if (args.size() != 1) {
        return kExitUsage;
    }
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = RivalProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kRivalClass;
    if (RegisterClassExW(&windowClass) == 0) {
        return Fail("RegisterClassExW");
    }
    const HWND rival =
        CreateWindowExW(WS_EX_TOPMOST, kRivalClass, args[0].c_str(), WS_OVERLAPPEDWINDOW, 400, 300,
                        240, 120, nullptr, nullptr, instance, nullptr);
    if (rival == nullptr) {
        return Fail("CreateWindowExW");
    }
    ShowWindow(rival, SW_SHOWNORMAL);
    UpdateWindow(rival);
    if (!SetForegroundWindow(rival)) {
        return Fail("SetForegroundWindow");
    }
    // Said only now, so that whoever waits for this line knows the rival holds the foreground.
    std::printf("%s\n", DescribeWindow(rival).c_str());
    std::fflush(stdout);
    MSG message{};
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    return kExitOk;
}

int PrintForeground(const std::vector<std::wstring>& args) {
    if (!args.empty()) {
        return kExitUsage;
    }
    const HWND foreground = GetForegroundWindow();
    if (foreground == nullptr) {
        std::fprintf(stderr, "tavori-testhelper: no window holds the foreground\n");
        return kExitNoWindow;
    }
    std::printf("%s\n", DescribeWindow(foreground).c_str());
    return kExitOk;
}

int PrintMonitors(const std::vector<std::wstring>& args) {
    if (!args.empty()) {
        return kExitUsage;
    }
    std::string out = "[";
    if (!EnumDisplayMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&out))) {
        return Fail("EnumDisplayMonitors");
    }
    std::printf("%s\n]\n", out.c_str());
    return kExitOk;
}

int PrintCheckState(const std::vector<std::wstring>& args) {
    if (args.size() != 3) {
        return kExitUsage;
    }
    const HWND window = FindWindowW(args[0].c_str(), args[1].c_str());
    if (window == nullptr) {
        std::fprintf(stderr, "tavori-testhelper: no top-level window of class %s\n",
                     Utf8(args[0]).c_str());
        return kExitNoWindow;
    }
    for (HWND child = GetWindow(window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (ControlText(child) != args[2]) {
            continue;
        }
        DWORD_PTR state = 0;
        if (!SendMessageTimeoutW(child, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state)) {
            return Fail("BM_GETCHECK");
        }
        std::printf("{\"text\": %s, \"check\": %lu}\n", JsonString(args[2]).c_str(),
                    static_cast<unsigned long>(state));
        return kExitOk;
    }
    std::fprintf(stderr, "tavori-testhelper: no control says %s\n", Utf8(args[2]).c_str());
    return kExitNoWindow;
}
