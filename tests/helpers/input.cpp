// tavori-testhelper's input mode: a double-click given to a window the moment it first shows.
//
//   tavori-testhelper double-click-on-arrival CLASS ROW
//       say "watching" on a line of its own once it has seen that no top-level window of CLASS
//       exists; then wait for one to appear and, once it is visible, double-click the centre
//       of its ROW-th EDIT child from the top (0 first) through the system's input queue, and
//       print one JSON object: the row clicked and how many milliseconds passed from the last
//       moment the window was seen not to exist to the moment the clicks were queued
//       ("queued_within_ms"). Exit 2 when no such window shows within a minute.
//
// Why the timing proves something: whatever a window does on a timer cannot run before the
// window exists, and the system hands a thread its input before any WM_TIMER. Clicks queued
// within one timer period of the window's creation are therefore handled before the first
// tick of any timer with that period which the window sets after it is created.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "common.h"

namespace {

using namespace testhelper;

constexpr ULONGLONG kArrivalDeadlineMs = 60000;

ULONGLONG Now() {
    return GetTickCount64();
}

// The window's EDIT children, top first.
std::vector<HWND> EditChildren(HWND parent) {
    std::vector<HWND> edits;
    for (HWND child = GetWindow(parent, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        if (_wcsicmp(ClassName(child).c_str(), L"Edit") == 0) {
            edits.push_back(child);
        }
    }
    std::sort(edits.begin(), edits.end(), [](HWND a, HWND b) {
        RECT ra{};
        RECT rb{};
        GetWindowRect(a, &ra);
        GetWindowRect(b, &rb);
        return ra.top < rb.top;
    });
    return edits;
}

INPUT MouseButton(DWORD flags) {
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dwFlags = flags;
    return input;
}

}  // namespace

int DoubleClickOnArrival(const std::vector<std::wstring>& args) {
    if (args.size() != 2) {
        return kExitUsage;
    }
    const std::wstring& className = args[0];
    const std::size_t row = static_cast<std::size_t>(_wtoi(args[1].c_str()));
    const ULONGLONG began = Now();

    if (FindWindowW(className.c_str(), nullptr) != nullptr) {
        std::fprintf(stderr, "tavori-testhelper: the window was there before it was watched for\n");
        return kExitFailed;
    }
    ULONGLONG lastAbsent = Now();
    std::puts("watching");
    std::fflush(stdout);
    HWND window = nullptr;
    HWND target = nullptr;
    for (;;) {
        if (Now() - began > kArrivalDeadlineMs) {
            std::fprintf(stderr, "tavori-testhelper: no visible window with row %zu showed\n", row);
            return kExitNoWindow;
        }
        if (window == nullptr) {
            window = FindWindowW(className.c_str(), nullptr);
            if (window == nullptr) {
                lastAbsent = Now();
                Sleep(1);
                continue;
            }
        }
        if (!IsWindow(window)) {
            std::fprintf(stderr, "tavori-testhelper: the window went away before it showed\n");
            return kExitFailed;
        }
        // Shown only once it is placed and all its rows are made.
        if (IsWindowVisible(window)) {
            const std::vector<HWND> rows = EditChildren(window);
            if (row < rows.size()) {
                target = rows[row];
                break;
            }
        }
        Sleep(1);
    }

    RECT rect{};
    GetWindowRect(target, &rect);
    const POINT centre{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2};
    if (!SetCursorPos(centre.x, centre.y)) {
        return Fail("SetCursorPos");
    }
    INPUT clicks[] = {MouseButton(MOUSEEVENTF_LEFTDOWN), MouseButton(MOUSEEVENTF_LEFTUP),
                      MouseButton(MOUSEEVENTF_LEFTDOWN), MouseButton(MOUSEEVENTF_LEFTUP)};
    const UINT sent = SendInput(4, clicks, sizeof(INPUT));
    const ULONGLONG queued = Now();
    if (sent != 4) {
        std::fprintf(stderr, "tavori-testhelper: SendInput queued %u of 4 (error %lu)\n", sent,
                     GetLastError());
        return kExitFailed;
    }
    std::printf(
        "{\"hwnd\": %llu, \"rect\": {\"left\": %ld, \"top\": %ld, \"width\": %ld, \"height\": "
        "%ld}, \"queued_within_ms\": %llu}\n",
        static_cast<unsigned long long>(reinterpret_cast<std::uintptr_t>(target)), rect.left,
        rect.top, rect.right - rect.left, rect.bottom - rect.top, queued - lastAbsent);
    return kExitOk;
}
