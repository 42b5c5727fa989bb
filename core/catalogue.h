#pragma once

#include <array>
#include <string_view>

#include "platform/colour.h"

namespace tavori {

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
    std::string_view stopCommand;
    std::string_view startCommand;
};

// The seven mail services, in the order in which they stand on the main window and in which
// their watchers start.
inline constexpr std::array<ServiceRow, 7> kWatchedServices{{
    {"MEIMAPS", "MailEnable IMAP Service - meimaps.exe", "MEIMAPS.exe", "net.exe stop MEIMAPS",
     "net.exe start MEIMAPS"},
    {"MELCS", "MailEnable List Connector - melsc.exe", "melsc.exe", "net.exe stop MELCS",
     "net.exe start MELCS"},
    {"MEMTAS", "MailEnable Mail Transfer Agent - memta.exe", "memta.exe", "net.exe stop MEMTAS",
     "net.exe start MEMTAS"},
    {"MEDMS", "MailEnable Migration Service - medms.exe", "medms.exe", "net.exe stop MEDMS",
     "net.exe start MEDMS"},
    {"MEPOPS", "MailEnable POP Service - mepops.exe", "mepops.exe", "net.exe stop MEPOPS",
     "net.exe start MEPOPS"},
    {"MEPOCS", "MailEnable Postoffice Connector - mepoc.exe", "mepoc.exe", "net.exe stop MEPOCS",
     "net.exe start MEPOCS"},
    {"MESMTPCS", "MailEnable SMTP Connector - mesmtpc.exe", "mesmtpc.exe", "net.exe stop MESMTPCS",
     "net.exe start MESMTPCS"},
}};

// The IIS web publishing service: neither shown nor watched, only started and stopped from the
// options dialog.
inline constexpr ServiceRow kWebPublishingService{"W3SVC", "", "", "net.exe stop W3SVC",
                                                  "net.exe start W3SVC"};

}  // namespace tavori
