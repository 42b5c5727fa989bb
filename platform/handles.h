#pragma once

#include <windows.h>
#include <oleauto.h>

#include <memory>
#include <type_traits>

namespace tavori::win32 {

// One owner per system resource: a unique_ptr whose deleter is the resource's close function.
template <auto Close>
struct Closer {
    void operator()(auto* resource) const { Close(resource); }
};
template <typename Handle, auto Close>
using Unique = std::unique_ptr<std::remove_pointer_t<Handle>, Closer<Close>>;

using UniqueHandle = Unique<HANDLE, &::CloseHandle>;
using UniqueBrush = Unique<HBRUSH, &::DeleteObject>;
using UniqueFont = Unique<HFONT, &::DeleteObject>;
using UniqueWindow = Unique<HWND, &::DestroyWindow>;
using UniqueLocalMemory = Unique<HLOCAL, &::LocalFree>;
using UniqueBstr = Unique<BSTR, &::SysFreeString>;

using UniqueScreenDC = std::unique_ptr<HDC__, decltype([](HDC dc) { ::ReleaseDC(nullptr, dc); })>;

}  // namespace tavori::win32
