#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string_view>

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

// The single owner of a BSTR.
class Bstr {
  public:
    explicit Bstr(std::wstring_view text);
    ~Bstr() { ::SysFreeString(text_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;
    BSTR Get() const { return text_; }

  private:
    BSTR text_;
};

}  // namespace tavori::win32
