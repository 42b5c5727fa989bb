// tavori-reader: reads and works TAVORI's rows from another process, as a screen reader does,
// through Microsoft Active Accessibility.
//
//   tavori-reader rows HWND          print each row of the main window HWND as a JSON line:
//                                    name, value, description, default action
//   tavori-reader act HWND ROW       run the default action of row ROW (from 0)
//   tavori-reader listen PID         print "ready", then each value change of a window of the
//                                    process PID as a JSON line {"name", "value"}; until killed
#include <windows.h>
#include <oleacc.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::string Quoted(BSTR text) {
    std::string out = "\"";
    for (UINT i = 0; text != nullptr && i < SysStringLen(text); ++i) {
        out += text[i] == L'"' || text[i] == L'\\' ? '?' : static_cast<char>(text[i]);
    }
    SysFreeString(text);
    return out + "\"";
}

std::string Describe(IAccessible* object, VARIANT self) {
    BSTR name = nullptr, value = nullptr, description = nullptr, action = nullptr;
    object->get_accName(self, &name);
    object->get_accValue(self, &value);
    object->get_accDescription(self, &description);
    object->get_accDefaultAction(self, &action);
    return "{\"name\": " + Quoted(name) + ", \"value\": " + Quoted(value) +
           ", \"description\": " + Quoted(description) + ", \"action\": " + Quoted(action) + "}";
}

VARIANT Self() {
    VARIANT self{};
    self.vt = VT_I4;
    self.lVal = CHILDID_SELF;
    return self;
}

std::vector<HWND> Rows(HWND main) {
    std::vector<HWND> rows;
    for (HWND child = GetWindow(main, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        wchar_t name[16] = {};
        GetClassNameW(child, name, 16);
        if (_wcsicmp(name, L"Edit") == 0) {
            rows.push_back(child);
        }
    }
    std::sort(rows.begin(), rows.end(), [](HWND a, HWND b) {  // top to bottom
        RECT first{}, second{};
        GetWindowRect(a, &first);
        GetWindowRect(b, &second);
        return first.top < second.top;
    });
    return rows;
}

IAccessible* Object(HWND window) {
    IAccessible* object = nullptr;
    const HRESULT hr =
        AccessibleObjectFromWindow(window, static_cast<DWORD>(OBJID_CLIENT), IID_IAccessible,
                                   reinterpret_cast<void**>(&object));
    if (FAILED(hr)) {
        std::printf("AccessibleObjectFromWindow failed: 0x%08lx\n", static_cast<unsigned long>(hr));
    }
    return SUCCEEDED(hr) ? object : nullptr;
}

void CALLBACK Hear(HWINEVENTHOOK, DWORD, HWND window, LONG objectId, LONG childId, DWORD, DWORD) {
    IAccessible* object = nullptr;
    VARIANT child{};
    if (SUCCEEDED(AccessibleObjectFromEvent(window, static_cast<DWORD>(objectId),
                                            static_cast<DWORD>(childId), &object, &child))) {
        std::printf("%s\n", Describe(object, child).c_str());
        std::fflush(stdout);
        object->Release();
    }
}

HWND HandleFrom(const wchar_t* text) {
    return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(_wtoi64(text)));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::wstring mode = argc > 2 ? argv[1] : L"";
    if (mode == L"rows") {
        for (HWND row : Rows(HandleFrom(argv[2]))) {
            IAccessible* object = Object(row);
            if (object == nullptr) {
                return 1;
            }
            std::printf("%s\n", Describe(object, Self()).c_str());
            object->Release();
        }
        return 0;
    }
    if (mode == L"act" && argc == 4) {
        const std::vector<HWND> rows = Rows(HandleFrom(argv[2]));
        IAccessible* object = Object(rows.at(static_cast<std::size_t>(_wtoi(argv[3]))));
        return object != nullptr && SUCCEEDED(object->accDoDefaultAction(Self())) ? 0 : 1;
    }
    if (mode == L"listen") {
        // Filtered by the process alone: with WINEVENT_SKIPOWNPROCESS as well, Wine 8 delivers
        // nothing out of context.
        if (!SetWinEventHook(EVENT_OBJECT_VALUECHANGE, EVENT_OBJECT_VALUECHANGE, nullptr, Hear,
                             static_cast<DWORD>(_wtoi(argv[2])), 0, WINEVENT_OUTOFCONTEXT)) {
            return 1;
        }
        std::puts("ready");
        std::fflush(stdout);
        MSG message{};
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            DispatchMessageW(&message);
        }
        return 0;
    }
    return 2;
}
