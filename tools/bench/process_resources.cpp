// tavori-resources CLASS [CAPTION]
//   print, as one JSON object, what the process that owns that top-level window holds: its
//   kernel handles, GDI and USER objects (now and at their peak) and its memory as Windows
//   counts it. A figure the system does not give is null, with the error number beside it.
//   Exit 2 when there is no such window. `make soak` samples the monitor with it.

#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <string>

namespace {

// GetGuiResources' peak flags, which older headers lack (Windows 7 and later).
constexpr DWORD kGdiObjectsPeak = 2;
constexpr DWORD kUserObjectsPeak = 4;

// One figure: "name": value, or "name": null, "name_error": N when the system gave none.
void Figure(std::string& out, const char* name, bool answered, unsigned long long value,
            DWORD error) {
    char text[128];
    if (answered) {
        std::snprintf(text, sizeof text, ",\n  \"%s\": %llu", name, value);
    } else {
        std::snprintf(text, sizeof text, ",\n  \"%s\": null, \"%s_error\": %lu", name, name,
                      static_cast<unsigned long>(error));
    }
    out += text;
}

// GetGuiResources returns 0 both for "none" and for a failure; only the error tells them
// apart. A process with a window has at least one object of each kind, so 0 without an error
// is reported as it is and left for the reader to judge.
void GuiFigure(std::string& out, const char* name, HANDLE process, DWORD flags) {
    SetLastError(0);
    const DWORD count = GetGuiResources(process, flags);
    const DWORD error = GetLastError();
    Figure(out, name, count != 0 || error == 0, count, error);
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2 || argc > 3) {
        std::fputs("usage: tavori-resources CLASS [CAPTION]\n", stderr);
        return 64;
    }
    const HWND hwnd = FindWindowW(argv[1], argc > 2 ? argv[2] : nullptr);
    if (hwnd == nullptr) {
        std::fputs("tavori-resources: no such window\n", stderr);
        return 2;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(hwnd, &pid);
    const HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (process == nullptr) {
        std::fprintf(stderr, "tavori-resources: OpenProcess(%lu) failed (error %lu)\n",
                     static_cast<unsigned long>(pid), GetLastError());
        return 1;
    }

    std::string out = "{\n  \"pid\": " + std::to_string(pid);
    DWORD handles = 0;
    const bool gotHandles = GetProcessHandleCount(process, &handles) != FALSE;
    Figure(out, "handles", gotHandles, handles, gotHandles ? 0 : GetLastError());
    GuiFigure(out, "gdi_objects", process, GR_GDIOBJECTS);
    GuiFigure(out, "user_objects", process, GR_USEROBJECTS);
    GuiFigure(out, "gdi_objects_peak", process, kGdiObjectsPeak);
    GuiFigure(out, "user_objects_peak", process, kUserObjectsPeak);

    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    const bool gotMemory = GetProcessMemoryInfo(process, &memory, sizeof memory) != FALSE;
    const DWORD memoryError = gotMemory ? 0 : GetLastError();
    Figure(out, "working_set_bytes", gotMemory, memory.WorkingSetSize, memoryError);
    Figure(out, "private_bytes", gotMemory, memory.PagefileUsage, memoryError);
    CloseHandle(process);

    std::fputs((out + "\n}\n").c_str(), stdout);
    return 0;
}
