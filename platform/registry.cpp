#include "platform/registry.h"

#include <windows.h>

#include <algorithm>

#include "core/error.h"
#include "platform/handles.h"
#include "platform/text.h"

namespace tavori::win32 {

namespace {

constexpr const char* kRefusedAdvice =
    "Check that your account may read and write its own part of the registry, then start TAVORI "
    "again.";

std::wstring SubKey(std::string_view application, std::string_view section) {
    return L"Software\\" + Widen(application) + L'\\' + Widen(section);
}

// `doing` reads "Reading the setting "MainLeft" from".
void Check(LSTATUS status, const std::string& doing, const std::string& location) {
    if (status != ERROR_SUCCESS) {
        ::SetLastError(static_cast<DWORD>(status));
        ThrowLastError(doing + " " + location + " failed.", kRefusedAdvice);
    }
}

}  // namespace

std::string RegistryStore::Location(std::string_view application, std::string_view section) const {
    return "HKEY_CURRENT_USER\\Software\\" + std::string(application) + '\\' + std::string(section);
}

std::string RegistryStore::Read(std::string_view application, std::string_view section,
                                std::string_view key, std::string_view defaultText) {
    const std::string doing = "Reading the setting \"" + std::string(key) + "\" from";
    const std::string location = Location(application, section);
    HKEY opened = nullptr;
    LSTATUS status = ::RegOpenKeyExW(HKEY_CURRENT_USER, SubKey(application, section).c_str(), 0,
                                     KEY_QUERY_VALUE, &opened);
    if (status == ERROR_FILE_NOT_FOUND) {
        return std::string(defaultText);
    }
    Check(status, doing, location);
    const UniqueKey sectionKey(opened);
    const std::wstring name = Widen(key);
    std::wstring data;
    DWORD type = 0;
    DWORD size = 0;
    // The value may grow between the two calls (another copy of TAVORI writing it).
    do {
        status = ::RegQueryValueExW(sectionKey.get(), name.c_str(), nullptr, &type, nullptr, &size);
        if (status == ERROR_FILE_NOT_FOUND) {
            return std::string(defaultText);
        }
        Check(status, doing, location);
        if (type != REG_SZ) {
            throw Error("The setting \"" + std::string(key) + "\" in " + location +
                            " is not a text (REG_SZ) value.",
                        "Delete the value to go back to the default, then start TAVORI again.");
        }
        data.assign(size / sizeof(wchar_t) + 1, L'\0');
        size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        status = ::RegQueryValueExW(sectionKey.get(), name.c_str(), nullptr, &type,
                                    reinterpret_cast<BYTE*>(data.data()), &size);
    } while (status == ERROR_MORE_DATA);
    Check(status, doing, location);
    // A string value ends at its first NUL, as Windows' own tools show it.
    data.resize(std::min<std::size_t>(size / sizeof(wchar_t), data.find(L'\0')));
    return Narrow(data);
}

void RegistryStore::Write(std::string_view application, std::string_view section,
                          std::string_view key, std::string_view value) {
    const std::string doing = "Saving the setting \"" + std::string(key) + "\" to";
    const std::string location = Location(application, section);
    HKEY created = nullptr;
    Check(::RegCreateKeyExW(HKEY_CURRENT_USER, SubKey(application, section).c_str(), 0, nullptr, 0,
                            KEY_SET_VALUE, nullptr, &created, nullptr),
          doing, location);
    const UniqueKey sectionKey(created);
    const std::wstring data = Widen(value);
    Check(::RegSetValueExW(sectionKey.get(), Widen(key).c_str(), 0, REG_SZ,
                           reinterpret_cast<const BYTE*>(data.c_str()),
                           static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
          doing, location);
}

}  // namespace tavori::win32
