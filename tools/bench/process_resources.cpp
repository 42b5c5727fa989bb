// tavori-resources CLASS: what the process that owns the top-level window of that class holds,
// as one line: its kernel handles, GDI objects and USER objects, each "-" where the system does
// not count them (Wine 8: GetGuiResources fails with error 120, and GetProcessHandleCount of
// another process answers 0). Exit 2 when there is no such window. make soak samples with it.

#include <windows.h>

#include <cstdio>

int wmain(int argc, wchar_t** argv) {
    const HWND hwnd = argc == 2 ? FindWindowW(argv[1], nullptr) : nullptr;
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    const HANDLE process = hwnd ? OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid) : nullptr;
    if (process == nullptr) {
        std::fputs("tavori-resources: no window of that class, or its process would not open\n",
                   stderr);
        return 2;
    }
    DWORD handles = 0;
    // A process with a window holds at least one of each: 0 means that it was not counted.
    const DWORD figures[] = {GetProcessHandleCount(process, &handles) ? handles : 0,
                             GetGuiResources(process, GR_GDIOBJECTS),
                             GetGuiResources(process, GR_USEROBJECTS)};
    CloseHandle(process);
    for (const DWORD value : figures) {
        value != 0 ? std::printf("%lu ", static_cast<unsigned long>(value)) : std::printf("- ");
    }
    std::printf("\n");
    return 0;
}
