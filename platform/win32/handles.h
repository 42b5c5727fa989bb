#pragma once

#include <windows.h>

#include "platform/unique_resource.h"

namespace tavori::win32 {

struct HandleTraits {
    static HANDLE Invalid() { return nullptr; }
    static void Release(HANDLE handle) { ::CloseHandle(handle); }
};
using UniqueHandle = UniqueResource<HANDLE, HandleTraits>;

template <typename T>
struct GdiObjectTraits {
    static T Invalid() { return nullptr; }
    static void Release(T object) { ::DeleteObject(object); }
};
using UniqueBrush = UniqueResource<HBRUSH, GdiObjectTraits<HBRUSH>>;
using UniqueFont = UniqueResource<HFONT, GdiObjectTraits<HFONT>>;

struct WindowTraits {
    static HWND Invalid() { return nullptr; }
    static void Release(HWND window) { ::DestroyWindow(window); }
};
using UniqueWindow = UniqueResource<HWND, WindowTraits>;

struct IconTraits {
    static HICON Invalid() { return nullptr; }
    static void Release(HICON icon) { ::DestroyIcon(icon); }
};
using UniqueIcon = UniqueResource<HICON, IconTraits>;

struct KeyTraits {
    static HKEY Invalid() { return nullptr; }
    static void Release(HKEY key) { ::RegCloseKey(key); }
};
using UniqueKey = UniqueResource<HKEY, KeyTraits>;

struct LocalMemoryTraits {
    static HLOCAL Invalid() { return nullptr; }
    static void Release(HLOCAL memory) { ::LocalFree(memory); }
};
using UniqueLocalMemory = UniqueResource<HLOCAL, LocalMemoryTraits>;

// A device context borrowed from a window (or the screen) with GetDC, given back on scope exit.
class WindowDC {
  public:
    explicit WindowDC(HWND window) : window_(window), dc_(::GetDC(window)) {}
    ~WindowDC() {
        if (dc_ != nullptr) {
            ::ReleaseDC(window_, dc_);
        }
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC Get() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

}  // namespace tavori::win32
