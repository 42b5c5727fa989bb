#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "core/error.h"
#include "settings/store.h"

namespace tavori::win32 {

// The logic speaks UTF-8; Windows speaks UTF-16.
std::wstring Widen(std::string_view text);
std::string Narrow(std::wstring_view text);

// The system's words for a Win32 error or an HRESULT; empty when it has none.
std::string SystemErrorText(DWORD code);

// Throw tavori::Error with the system's words for the code.
[[noreturn]] void ThrowSystemError(std::string whatFailed, DWORD code, Error::Code kind,
                                   std::string advice = {});

// Throw tavori::Error for the failed call just made. The code is read before `describe` builds
// the message, whose allocations may overwrite it; call it straight after the failing call.
template <typename Describe>
[[noreturn]] void ThrowLastError(Describe&& describe, const char* advice = "") {
    const DWORD code = ::GetLastError();
    ThrowSystemError(describe(), code, Error::Code::Win32, advice);
}

// Loads DLLs named without a path from System32 only, so that one planted beside tavori.exe
// never runs. First in wWinMain: comctl32 is delay-loaded, on its first call, after it.
void RestrictDllSearchToSystemFolder();

// Runs "net.exe stop MEPOPS" hidden, from the system folder only, keeping nothing of it: the
// row's next watch tick shows the outcome.
void RunServiceCommand(std::string_view commandLine);

// The settings as REG_SZ values under HKEY_CURRENT_USER\Software\<application>\<section>.
class RegistryStore final : public SettingsStore {
  public:
    std::string Read(std::string_view application, std::string_view section, std::string_view key,
                     std::string_view defaultText) override;
    void Write(std::string_view application, std::string_view section, std::string_view key,
               std::string_view value) override;
    void AsOneUnit(std::string_view application, std::string_view section,
                   const std::function<void()>& work) override;
    std::string Location(std::string_view application, std::string_view section) const override;
};

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
