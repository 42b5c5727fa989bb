#include "core/process_probe.h"

namespace tavori {

std::string BuildProcessQuery(std::string_view imageName) {
    std::string query = "SELECT Name FROM Win32_Process WHERE Name='";
    query += imageName;
    query += '\'';
    return query;
}

bool IsProcessRunning(ManagementService& management, std::string_view imageName) {
    return management.CountQueryResults(BuildProcessQuery(imageName)) != 0;
}

}  // namespace tavori
