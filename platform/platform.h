#pragma once

#include "platform/event_dispatch.h"
#include "platform/management_service.h"
#include "platform/process_launcher.h"
#include "platform/settings_store.h"
#include "platform/window_manager.h"
#include "platform/window_runtime.h"

namespace tavori {

// Everything the program's logic reaches of the system, handed to it at start.
struct Platform {
    WindowRuntime& windows;
    ManagementService& management;
    ProcessLauncher& launcher;
    SettingsStore& settings;
    WindowManager& windowManager;
};

}  // namespace tavori
