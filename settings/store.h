#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace tavori {

// The per-user settings store: text values by application, section and key. Read gives the
// default for a missing key; Write creates what it needs. A refusal throws tavori::Error.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual std::string Read(std::string_view application, std::string_view section,
                             std::string_view key, std::string_view defaultText) = 0;
    virtual void Write(std::string_view application, std::string_view section, std::string_view key,
                       std::string_view value) = 0;
    // Runs `work`, whose reads or writes belong together, with no other process's reads or writes
    // of the section in between. Without other processes sharing the store, it just runs it.
    virtual void AsOneUnit(std::string_view /*application*/, std::string_view /*section*/,
                           const std::function<void()>& work) {
        work();
    }
    // Where a key is kept, in words a user can follow to find it (a registry path, say).
    virtual std::string Location(std::string_view application, std::string_view section) const = 0;
};

}  // namespace tavori
