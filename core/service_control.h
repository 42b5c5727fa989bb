#pragma once

#include <string_view>

#include "core/catalogue.h"
#include "platform/process_launcher.h"

namespace tavori {

// Runs a fixed service command line ("net.exe stop MEPOPS") hidden, without waiting for it and
// without looking at what it does: the row's next watch tick shows the outcome.
void RunServiceCommand(ProcessLauncher& launcher, std::string_view commandLine);

// The toggle rule of a row: a row that shows exactly the running colour is stopped; any other
// colour, including a row not yet probed, is started.
std::string_view ToggleCommand(const ServiceRow& service, Colour rowColour);

}  // namespace tavori
