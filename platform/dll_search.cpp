#include "platform/dll_search.h"

#include <windows.h>

namespace tavori::win32 {

void RestrictDllSearchToSystemFolder() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    // Present from Windows 8 on, and on Windows 7 with KB2533623; looked up, so that a
    // Windows 7 without it still starts.
    const auto setDefault =
        reinterpret_cast<SetDefaultDllDirectoriesFn>(reinterpret_cast<void (*)()>(
            ::GetProcAddress(::GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories")));
    if (setDefault == nullptr || setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32) == FALSE) {
        // The most an old system allows: at least the working folder is no longer searched.
        ::SetDllDirectoryW(L"");
    }
}

}  // namespace tavori::win32
