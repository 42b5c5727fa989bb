#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tavori {

// A colour number laid out 0x00BBGGRR, as Windows' COLORREF is.
using Colour = std::uint32_t;

// The indicator colours of a row.
constexpr Colour kRunningColour = 65280;          // 0x0000FF00, green
constexpr Colour kNotRunningColour = 255;         // 0x000000FF, red
constexpr Colour kNotYetProbedColour = 16776960;  // 0x00FFFF00, cyan

// One Windows service the program knows. The service name goes into the start and stop commands
// and onto the row; the probe image name is what the status watch asks about. They differ on
// purpose for the list connector (MELCS runs melsc.exe).
struct ServiceRow {
    std::string_view serviceName;
    std::string_view description;  // the row's tooltip
    std::string_view probeImageName;
};

// The seven mail services, in the order in which they stand on the main window and in which
// their watchers start.
inline constexpr std::array<ServiceRow, 7> kWatchedServices{{
    {"MEIMAPS", "MailEnable IMAP Service - meimaps.exe", "MEIMAPS.exe"},
    {"MELCS", "MailEnable List Connector - melsc.exe", "melsc.exe"},
    {"MEMTAS", "MailEnable Mail Transfer Agent - memta.exe", "memta.exe"},
    {"MEDMS", "MailEnable Migration Service - medms.exe", "medms.exe"},
    {"MEPOPS", "MailEnable POP Service - mepops.exe", "mepops.exe"},
    {"MEPOCS", "MailEnable Postoffice Connector - mepoc.exe", "mepoc.exe"},
    {"MESMTPCS", "MailEnable SMTP Connector - mesmtpc.exe", "mesmtpc.exe"},
}};

// The IIS web publishing service: neither shown nor watched, only started and stopped from the
// options dialog.
inline constexpr ServiceRow kWebPublishingService{"W3SVC", "", ""};

// "net.exe stop MEPOPS", "net.exe start MEPOPS".
std::string StopCommand(const ServiceRow& service);
std::string StartCommand(const ServiceRow& service);

// The toggle rule of a row: a row that shows exactly the running colour is stopped; any other
// colour, including a row not yet probed, is started.
std::string ToggleCommand(const ServiceRow& service, Colour rowColour);

// The probe's query for one image name, built by plain concatenation: the catalogue's names hold
// no apostrophe, so nothing is escaped. WMI compares the name without regard to case.
std::string BuildProcessQuery(std::string_view imageName);

// The probe's answer: two running copies count as one.
constexpr bool ProcessFound(std::size_t matchingProcesses) {
    return matchingProcesses != 0;
}

}  // namespace tavori
