#pragma once

#include <functional>
#include <string>
#include <string_view>

#include "settings/store.h"

namespace tavori::win32 {

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

}  // namespace tavori::win32
