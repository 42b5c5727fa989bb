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

#include "common.h"

namespace {

using namespace testhelper;

constexpr wchar_t kRivalClass[] = L"TAVORI_TEST_RIVAL";

// The window as the tests name it: handle, class, caption, process and extended style.
std::string DescribeWindow(HWND hwnd) {
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    return "{\"hwnd\": " + std::to_string(reinterpret_cast<std::uintptr_t>(hwnd)) +
           ", \"class\": " + JsonString(ClassName(hwnd)) +
           ", \"caption\": " + JsonString(WindowText(hwnd)) + ", \"pid\": " + std::to_string(pid) +
           ", \"exstyle\": " +
           JsonHex(static_cast<unsigned long>(GetWindowLongW(hwnd, GWL_EXSTYLE))) + "}";
}

LRESULT CALLBACK RivalProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY) {
        PostQuitMessage(0);
        return 0;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, RECT*, LPARAM data) {
    auto& out = *reinterpret_cast<std::string*>(data);
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) {
        out += out.size() > 1 ? ",\n  " : "\n  ";
        out += "{\"bounds\": " + JsonRect(info.rcMonitor) + ", \"work\": " + JsonRect(info.rcWork) +
               ", \"primary\": " + JsonBool(info.dwFlags & MONITORINFOF_PRIMARY) + "}";
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
    const HWND window = FindTopLevel(args);
    if (window == nullptr) {
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
