// The control case: loads uxtheme.dll by name with the default DLL search, as a program that
// does not narrow it would. Exit status 0 if it loaded.
#include <windows.h>

int wmain() {
    return ::LoadLibraryW(L"uxtheme.dll") != nullptr ? 0 : 1;
}
