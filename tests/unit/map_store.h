#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>

#include "core/error.h"
#include "settings/store.h"

namespace tavori::test {

// The settings store as a map of key to text; every application\section touched is noted.
class MapStore final : public SettingsStore {
  public:
    std::string Read(std::string_view application, std::string_view section, std::string_view key,
                     std::string_view defaultText) override {
        places.insert(Location(application, section));
        const auto found = values.find(std::string(key));
        return found == values.end() ? std::string(defaultText) : found->second;
    }
    void Write(std::string_view application, std::string_view section, std::string_view key,
               std::string_view value) override {
        places.insert(Location(application, section));
        values[std::string(key)] = value;
    }
    std::string Location(std::string_view application, std::string_view section) const override {
        return "HKCU\\Test\\" + std::string(application) + "\\" + std::string(section);
    }

    std::map<std::string, std::string> values;
    std::set<std::string> places;
};

// The words of the box that the error thrown by `read` would end the program with; empty if it
// throws none.
template <typename Read>
std::string ErrorBoxOf(Read&& read) {
    try {
        read();
    } catch (const Error& error) {
        return DescribeUntrappedError(error);
    }
    return {};
}

}  // namespace tavori::test
