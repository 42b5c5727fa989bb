#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

#include "core/colour.h"

namespace tavori {

// One Windows service: its name goes into the commands and onto the row, its image name into
// the probe; they differ for the list connector (MELCS runs melsc.exe).
struct ServiceRow {
    std::string_view serviceName;
    std::string_view description;  // the row's tooltip
    std::string_view probeImageName;
};

// The seven mail services, in the order of the main window's rows.
inline constexpr std::array<ServiceRow, 7> kWatchedServices{{
    {"MEIMAPS", "MailEnable IMAP Service - meimaps.exe", "MEIMAPS.exe"},
    {"MELCS", "MailEnable List Connector - melsc.exe", "melsc.exe"},
    {"MEMTAS", "MailEnable Mail Transfer Agent - memta.exe", "memta.exe"},
    {"MEDMS", "MailEnable Migration Service - medms.exe", "medms.exe"},
    {"MEPOPS", "MailEnable POP Service - mepops.exe", "mepops.exe"},
    {"MEPOCS", "MailEnable Postoffice Connector - mepoc.exe", "mepoc.exe"},
    {"MESMTPCS", "MailEnable SMTP Connector - mesmtpc.exe", "mesmtpc.exe"},
}};

// IIS: neither shown nor watched, only started and stopped from the options dialog.
inline constexpr ServiceRow kWebPublishingService{"W3SVC", "", ""};

inline std::string StopCommand(const ServiceRow& service) {
    return "net.exe stop " + std::string(service.serviceName);
}
inline std::string StartCommand(const ServiceRow& service) {
    return "net.exe start " + std::string(service.serviceName);
}

// A row that shows exactly the running colour is stopped; any other, even cyan, is started.
inline std::string ToggleCommand(const ServiceRow& service, Colour rowColour) {
    return rowColour == kRunningColour ? StopCommand(service) : StartCommand(service);
}

// The probe's query; the catalogue's names hold no apostrophe, and WMI ignores letter case.
inline std::string BuildProcessQuery(std::string_view imageName) {
    return "SELECT Name FROM Win32_Process WHERE Name='" + std::string(imageName) + "'";
}

}  // namespace tavori
