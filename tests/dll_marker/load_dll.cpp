// The control case: loads the DLL named on its command line by name with the default DLL search,
// as a program that does not narrow it would. Exit status 0 if it loaded.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    return argc == 2 && ::LoadLibraryW(argv[1]) != nullptr ? 0 : 1;
}
