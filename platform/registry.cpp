#include "platform/registry.h"

#include <windows.h>

#include "core/error.h"
#include "platform/handles.h"
#include "platform/system_error.h"
#include "platform/text.h"

namespace tavori::win32 {

namespace {

// A copy holds the lock for a few registry writes, milliseconds; the wait stays well inside the
// time Windows gives a program to save at session end.
constexpr DWORD kUnitWaitMs = 2000;

using UniqueMutexHold = Unique<HANDLE, &::ReleaseMutex>;

std::wstring SubKey(std::string_view application, std::string_view section) {
    return L"Software\\" + Widen(application) + L'\\' + Widen(section);
}

// `doing` reads "Reading the setting "MainLeft" from".
void Check(LSTATUS status, const std::string& doing, const std::string& location) {
    if (status == ERROR_UNSUPPORTED_TYPE) {
        throw Error(doing + " " + location + " failed: it is not a text (REG_SZ) value.",
                    "Delete the value to go back to the default, then start TAVORI again.");
    }
    if (status != ERROR_SUCCESS) {
        ThrowSystemError(doing + " " + location + " failed.", static_cast<DWORD>(status),
                         Error::Code::Win32,
                         "Check that your account may read and write its own part of the "
                         "registry, then start TAVORI again.");
    }
}

}  // namespace

std::string RegistryStore::Location(std::string_view application, std::string_view section) const {
    return "HKEY_CURRENT_USER\\Software\\" + std::string(application) + '\\' + std::string(section);
}

std::string RegistryStore::Read(std::string_view application, std::string_view section,
                                std::string_view key, std::string_view defaultText) {
    const std::wstring subKey = SubKey(application, section);
    const std::wstring name = Widen(key);
    std::wstring data(64, L'\0');
    LSTATUS status;
    do {  // the value may grow between two calls (another copy of TAVORI writing it)
        auto size = static_cast<DWORD>(data.size() * sizeof(wchar_t));
        status = ::RegGetValueW(HKEY_CURRENT_USER, subKey.c_str(), name.c_str(), RRF_RT_REG_SZ,
                                nullptr, data.data(), &size);
        data.resize(status == ERROR_MORE_DATA ? size / sizeof(wchar_t) + 1 : data.size());
    } while (status == ERROR_MORE_DATA);
    if (status == ERROR_FILE_NOT_FOUND) {
        return std::string(defaultText);
    }
    Check(status, "Reading the setting \"" + std::string(key) + "\" from",
          Location(application, section));
    // A string value ends at its first NUL, as Windows' own tools show it.
    return Narrow(data.c_str());
}

void RegistryStore::Write(std::string_view application, std::string_view section,
                          std::string_view key, std::string_view value) {
    const std::wstring data = Widen(value);
    Check(::RegSetKeyValueW(HKEY_CURRENT_USER, SubKey(application, section).c_str(),
                            Widen(key).c_str(), REG_SZ, data.c_str(),
                            static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t))),
          "Saving the setting \"" + std::string(key) + "\" to", Location(application, section));
}

// One named mutex per section in the session's namespace, shared by the user's copies; one that
// ended holding it (WAIT_ABANDONED) leaves it to the next. Without the lock the work runs anyway,
// so that this copy still saves: after a timed-out wait (a hung copy), or when the name cannot be
// opened (another program's object, or, on Windows, an elevated copy's lock).
void RegistryStore::AsOneUnit(std::string_view application, std::string_view section,
                              const std::function<void()>& work) {
    const std::wstring name = L"Local\\" + Widen(application) + L'.' + Widen(section);
    const UniqueHandle mutex(::CreateMutexW(nullptr, FALSE, name.c_str()));
    const DWORD waited = mutex ? ::WaitForSingleObject(mutex.get(), kUnitWaitMs) : WAIT_FAILED;
    const bool owned = waited == WAIT_OBJECT_0 || waited == WAIT_ABANDONED;
    const UniqueMutexHold held(owned ? mutex.get() : nullptr);
    work();
}

}  // namespace tavori::win32
