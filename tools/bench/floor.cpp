// tavori-floor: what any monitor of the seven services must at least cost, to measure TAVORI
// against. A bare window of TAVORI's size (81x209 pixels at 96 dots per inch, the same tool
// window frame) with seven one-second timers, each running the plain WMI probe for its
// service's image name. It draws nothing but the window's own frame and background.

#include <windows.h>
#include <objbase.h>

#include "core/catalogue.h"
#include "tools/bench/plain_probe.h"

namespace {

constexpr int kWidth = 81;
constexpr int kHeight = 209;
constexpr UINT kIntervalMs = 1000;
constexpr wchar_t kClassName[] = L"TAVORI_FLOOR";

// The catalogue's probe image names, widened once.
wchar_t gImageNames[tavori::kWatchedServices.size()][64];

LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam >= 1 && wParam <= tavori::kWatchedServices.size()) {
                PlainWmiProcessCount(gImageNames[wParam - 1]);
            }
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    for (std::size_t i = 0; i < tavori::kWatchedServices.size(); ++i) {
        const std::string_view name = tavori::kWatchedServices[i].probeImageName;
        MultiByteToWideChar(CP_UTF8, 0, name.data(), static_cast<int>(name.size()), gImageNames[i],
                            63);
    }
    if (FAILED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE))) {
        return 1;
    }
    CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_DEFAULT,
                         RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE, nullptr);

    WNDCLASSEXW windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.lpfnWndProc = WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    windowClass.lpszClassName = kClassName;
    if (RegisterClassExW(&windowClass) == 0) {
        return 1;
    }
    const HWND hwnd = CreateWindowExW(WS_EX_TOOLWINDOW, kClassName, L"TAVORI floor",
                                      WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU, 67, 67, kWidth,
                                      kHeight, nullptr, nullptr, instance, nullptr);
    if (hwnd == nullptr) {
        return 1;
    }
    for (UINT_PTR id = 1; id <= tavori::kWatchedServices.size(); ++id) {
        SetTimer(hwnd, id, kIntervalMs, nullptr);
    }
    ShowWindow(hwnd, SW_SHOWNORMAL);

    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    CoUninitialize();
    return 0;
}
