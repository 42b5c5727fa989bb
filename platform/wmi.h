#pragma once

#include <string_view>

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

// True when a process with this image name runs now: binds to WMI anew, queries, counts and
// releases everything on every call. Throws tavori::Error with WMI's number and words.
bool IsProcessRunning(std::string_view imageName);

}  // namespace tavori::win32
