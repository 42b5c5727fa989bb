#include "platform/win32/registry_store.h"

#include <windows.h>

#include "platform/error.h"
#include "platform/win32/handles.h"
#include "platform/win32/text.h"

namespace tavori::win32 {

namespace {

std::wstring SubKey(std::string_view application, std::string_view section) {
    return L"Software\\" + Widen(application) + L'\\' + Widen(section);
}

// A read or write the registry refused: `doing` is "Reading the setting \"MainLeft\" from".
[[noreturn]] void ThrowRefused(std::string doing, const std::string& location, LSTATUS status) {
    throw Error(std::move(doing) + " " + location + " failed.", static_cast<DWORD>(status),
                SystemErrorText(static_cast<DWORD>(status)), false,
                "Check that your account may read and write its own part of the registry, then "
                "start TAVORI again.");
}

}  // namespace

std::string RegistrySettingsStore::Location(std::string_view application,
                                            std::string_view section) const {
    return "HKEY_CURRENT_USER\\Software\\" + std::string(application) + '\\' + std::string(section);
}

std::string RegistrySettingsStore::Read(std::string_view application, std::string_view section,
                                        std::string_view key, std::string_view defaultText) {
    const auto fail = [&](LSTATUS status) {
        ThrowRefused("Reading the setting \"" + std::string(key) + "\" from",
                     Location(application, section), status);
    };
    HKEY opened = nullptr;
    LSTATUS status = ::RegOpenKeyExW(HKEY_CURRENT_USER, SubKey(application, section).c_str(), 0,
                                     KEY_QUERY_VALUE, &opened);
    if (status == ERROR_FILE_NOT_FOUND) {
        return std::string(defaultText);
    }
    if (status != ERROR_SUCCESS) {
        fail(status);
    }
    const UniqueKey sectionKey(opened);
    const std::wstring name = Widen(key);
    // The value may change size between the two calls (another copy of TAVORI writing it).
    for (;;) {
        DWORD type = 0;
        DWORD size = 0;
        status = ::RegQueryValueExW(sectionKey.Get(), name.c_str(), nullptr, &type, nullptr, &size);
        if (status == ERROR_FILE_NOT_FOUND) {
            return std::string(defaultText);
        }
        if (status != ERROR_SUCCESS) {
            fail(status);
        }
        if (type != REG_SZ) {
            throw Error("The setting \"" + std::string(key) + "\" in " +
                            Location(application, section) + " is not a text (REG_SZ) value.",
                        "Delete the value to go back to the default, then start TAVORI again.");
        }
        std::wstring data(size / sizeof(wchar_t) + 1, L'\0');
        DWORD capacity = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        status = ::RegQueryValueExW(sectionKey.Get(), name.c_str(), nullptr, &type,
                                    reinterpret_cast<BYTE*>(data.data()), &capacity);
        if (status == ERROR_MORE_DATA) {
            continue;
        }
        if (status != ERROR_SUCCESS) {
            fail(status);
        }
        // The stored text may or may not end in NULs.
        data.resize(capacity / sizeof(wchar_t));
        while (!data.empty() && data.back() == L'\0') {
            data.pop_back();
        }
        return Narrow(data);
    }
}

void RegistrySettingsStore::Write(std::string_view application, std::string_view section,
                                  std::string_view key, std::string_view value) {
    const auto fail = [&](LSTATUS status) {
        ThrowRefused("Saving the setting \"" + std::string(key) + "\" to",
                     Location(application, section), status);
    };
    HKEY created = nullptr;
    LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, SubKey(application, section).c_str(), 0,
                                       nullptr, 0, KEY_SET_VALUE, nullptr, &created, nullptr);
    if (status != ERROR_SUCCESS) {
        fail(status);
    }
    const UniqueKey sectionKey(created);
    const std::wstring data = Widen(value);
    status = ::RegSetValueExW(sectionKey.Get(), Widen(key).c_str(), 0, REG_SZ,
                              reinterpret_cast<const BYTE*>(data.c_str()),
                              static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
    if (status != ERROR_SUCCESS) {
        fail(status);
    }
}

}  // namespace tavori::win32
