#pragma once

#include <string>
#include <string_view>

namespace tavori {

// The per-user application-settings store: text values addressed by application, section and key.
//
// Contract: Read returns the stored text, or defaultText when the key does not exist; Write
// creates or overwrites the value and whatever application and section entries it needs. A read
// or write the store refuses, or a stored value that is not text, throws tavori::Error naming
// the key and where it is stored.
class SettingsStore {
  public:
    virtual ~SettingsStore() = default;
    virtual std::string Read(std::string_view application, std::string_view section,
                             std::string_view key, std::string_view defaultText) = 0;
    virtual void Write(std::string_view application, std::string_view section, std::string_view key,
                       std::string_view value) = 0;
    // Where a key is kept, in words a user can follow to find it (a registry path, say).
    virtual std::string Location(std::string_view application, std::string_view section) const = 0;
};

}  // namespace tavori
