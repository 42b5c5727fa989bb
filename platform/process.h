#pragma once

#include <string_view>

namespace tavori::win32 {

// Loads DLLs named without a path from System32 only, so that one planted beside tavori.exe
// never runs. First in wWinMain: comctl32 is delay-loaded, on its first call, after it.
void RestrictDllSearchToSystemFolder();

// Runs "net.exe stop MEPOPS" hidden, from the system folder, keeping nothing: the next tick shows.
void RunServiceCommand(std::string_view commandLine);

}  // namespace tavori::win32
