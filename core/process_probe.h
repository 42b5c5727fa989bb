#pragma once

#include <string>
#include <string_view>

#include "platform/management_service.h"

namespace tavori {

// The management query for one image name, built by plain concatenation: the catalogue's names
// hold no apostrophe, so nothing is escaped.
std::string BuildProcessQuery(std::string_view imageName);

// True when at least one process with this image name runs now. Every call runs its own query on
// a fresh connection; the management service compares names without regard to case. Errors
// propagate to the caller's dispatcher.
bool IsProcessRunning(ManagementService& management, std::string_view imageName);

}  // namespace tavori
