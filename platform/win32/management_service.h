#pragma once

#include "platform/management_service.h"

namespace tavori::win32 {

// WMI through its native client interface on the local machine's ROOT\CIMV2, the namespace the
// "winmgmts:" moniker binds to by default. Needs the ComApartment of this thread.
class WmiManagementService final : public ManagementService {
  public:
    std::size_t CountQueryResults(std::string_view query) override;
};

}  // namespace tavori::win32
