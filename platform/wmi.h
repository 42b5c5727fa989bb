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

// Whether a process with this image name runs now (Found, None), or TimedOut when WMI does not
// answer within 2 s: binds to WMI anew, queries and releases everything on every call. Throws
// tavori::Error with WMI's number and words.
ProbeAnswer IsProcessRunning(std::string_view imageName);

}  // namespace tavori::win32
