// The program's start: the main window, then the message loop until it is closed.

#include <windows.h>
#include <commctrl.h>

#include <cstdlib>
#include <memory>
#include <optional>

#include "platform/process.h"
#include "platform/registry.h"
#include "platform/wmi.h"
#include "ui/main_window.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    tavori::win32::RestrictDllSearchToSystemFolder();
    tavori::win32::RegistryStore settings;
    std::optional<tavori::win32::ComApartment> com;
    std::unique_ptr<tavori::MainWindow> mainWindow;
    tavori::win32::Dispatcher().Dispatch([&] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
        ::InitCommonControlsEx(&controls);
        com.emplace();
        mainWindow = std::make_unique<tavori::MainWindow>(settings);
        // The first ShowWindow takes the starter's state ("Run: Minimized", start /min), by
        // Windows' documentation, which would leave this window out of reach; the second is our
        // own.
        ::ShowWindow(mainWindow->Handle(), SW_SHOWNORMAL);
        ::ShowWindow(mainWindow->Handle(), SW_SHOWNORMAL);
    });
    // Until the main window is gone; a WM_QUIT from another program closes it as a close would.
    while (!tavori::win32::PumpMessages(mainWindow->Destroyed())) {
        tavori::win32::Dispatcher().Dispatch([&] { mainWindow->Close(); });
    }
    return 0;
}

// libstdc++'s default terminate handler brings a demangler, a sixth of tavori.exe, to print to a
// console this program lacks. The dispatcher catches every error: terminate is a fault of ours.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx
