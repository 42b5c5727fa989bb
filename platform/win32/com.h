#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string_view>

#include "platform/unique_resource.h"

namespace tavori::win32 {

// COM on the user-interface thread, for the life of the program: a single-threaded apartment,
// with process security at the impersonate level that WMI needs to answer about processes.
class ComApartment {
  public:
    ComApartment();
    ~ComApartment();
    ComApartment(const ComApartment&) = delete;
    ComApartment& operator=(const ComApartment&) = delete;
};

struct BstrTraits {
    static BSTR Invalid() { return nullptr; }
    static void Release(BSTR text) { ::SysFreeString(text); }
};
// The single owner of a BSTR, whether we made it or COM handed it to us.
using Bstr = UniqueResource<BSTR, BstrTraits>;

// A BSTR holding the text; throws std::bad_alloc when there is no memory for it.
Bstr MakeBstr(std::wstring_view text);

}  // namespace tavori::win32
