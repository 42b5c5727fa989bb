#pragma once

#include <string_view>

#include "core/row_state.h"

namespace tavori::win32 {

// COM on the user-interface thread for the life of the program: a single-threaded apartment,
// with process security at the impersonate level that WMI needs to answer about processes.
class ComApartment {
  public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

// Whether a process with this image name runs (Found, None), or TimedOut after 2 s without WMI's
// answer; binds to WMI anew on every call. Throws tavori::Error with WMI's number and words.
ProbeAnswer IsProcessRunning(std::string_view imageName);

}  // namespace tavori::win32
