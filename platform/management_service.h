#pragma once

#include <cstddef>
#include <string_view>

namespace tavori {

// The local management service (WMI on Windows).
//
// Contract: CountQueryResults binds to the service anew, runs the query (WQL, against the
// namespace that holds Win32_Process), counts the objects it returns and releases everything
// before it returns; nothing is kept between calls. It blocks until the service has answered.
// A failure to bind, query or count throws tavori::Error with the service's error number and
// its description.
class ManagementService {
  public:
    virtual ~ManagementService() = default;
    virtual std::size_t CountQueryResults(std::string_view query) = 0;
};

}  // namespace tavori
