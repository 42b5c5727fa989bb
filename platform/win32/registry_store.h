#pragma once

#include "platform/settings_store.h"

namespace tavori::win32 {

// The settings as string values of HKEY_CURRENT_USER\Software\<application>\<section>. The key
// is opened for each read or write and closed again: nothing stays open between events.
class RegistrySettingsStore final : public SettingsStore {
  public:
    std::string Read(std::string_view application, std::string_view section, std::string_view key,
                     std::string_view defaultText) override;
    void Write(std::string_view application, std::string_view section, std::string_view key,
               std::string_view value) override;
    std::string Location(std::string_view application, std::string_view section) const override;
};

}  // namespace tavori::win32
