#pragma once

#include <string_view>

namespace tavori::win32 {

// Runs a fixed service command line ("net.exe stop MEPOPS") hidden, without waiting for it and
// keeping nothing of it: the row's next watch tick shows the outcome. Only the program of that
// name in the Windows system folder runs. A launch that fails throws tavori::Error.
void RunServiceCommand(std::string_view commandLine);

}  // namespace tavori::win32
