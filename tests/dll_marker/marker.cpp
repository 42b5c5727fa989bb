// A stand-in for a planted DLL (uxtheme.dll, oleacc.dll): when any process loads it, it leaves
// <name>.dll.ran beside itself and does nothing else.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, void*) {
    wchar_t path[MAX_PATH + 8] = {};
    if (reason == DLL_PROCESS_ATTACH && GetModuleFileNameW(instance, path, MAX_PATH) < MAX_PATH) {
        lstrcatW(path, L".ran");
        CloseHandle(CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    }
    return TRUE;
}
