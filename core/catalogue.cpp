#include "core/catalogue.h"

namespace tavori {

std::string StopCommand(const ServiceRow& service) {
    return "net.exe stop " + std::string(service.serviceName);
}

std::string StartCommand(const ServiceRow& service) {
    return "net.exe start " + std::string(service.serviceName);
}

std::string ToggleCommand(const ServiceRow& service, Colour rowColour) {
    return rowColour == kRunningColour ? StopCommand(service) : StartCommand(service);
}

std::string BuildProcessQuery(std::string_view imageName) {
    return "SELECT Name FROM Win32_Process WHERE Name='" + std::string(imageName) + "'";
}

}  // namespace tavori
