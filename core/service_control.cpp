#include "core/service_control.h"

namespace tavori {

void RunServiceCommand(ProcessLauncher& launcher, std::string_view commandLine) {
    launcher.Launch(commandLine);
}

std::string_view ToggleCommand(const ServiceRow& service, Colour rowColour) {
    return rowColour == kRunningColour ? service.stopCommand : service.startCommand;
}

}  // namespace tavori
