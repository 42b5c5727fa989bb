// The program's entry point: builds the Win32 platform, creates the main window and runs the
// message loop until it is closed.

#include <windows.h>

#include <cstdlib>
#include <memory>
#include <optional>

#include "platform/platform.h"
#include "platform/win32/com.h"
#include "platform/win32/fatal_exit.h"
#include "platform/win32/management_service.h"
#include "platform/win32/process_launcher.h"
#include "platform/win32/registry_store.h"
#include "platform/win32/window_runtime.h"
#include "ui/main_window.h"

namespace {

// Load DLLs from the system folder only, before anything (COM above all) loads one: a DLL
// planted beside tavori.exe or in the working folder is never picked up.
void RestrictDllSearchToSystemFolder() {
    using SetDefaultDllDirectoriesFn = BOOL(WINAPI*)(DWORD);
    const HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    if (kernel == nullptr) {
        return;
    }
    // Present from Windows 8 on, and on Windows 7 with KB2533623.
    const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFn>(
        reinterpret_cast<void (*)()>(::GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (setDefault != nullptr) {
        setDefault(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
}

class Win32WindowManager final : public tavori::WindowManager {
  public:
    tavori::WindowHandle GetForegroundWindow() override {
        return reinterpret_cast<tavori::WindowHandle>(::GetForegroundWindow());
    }
    bool SetWindowPos(tavori::WindowHandle window, tavori::WindowHandle insertAfter, int x, int y,
                      int width, int height, unsigned flags) override {
        return ::SetWindowPos(reinterpret_cast<HWND>(window), reinterpret_cast<HWND>(insertAfter),
                              x, y, width, height, flags) != FALSE;
    }
};

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    RestrictDllSearchToSystemFolder();

    tavori::win32::Win32FatalExit fatalExit;
    tavori::EventDispatcher dispatcher(fatalExit);
    tavori::win32::Win32WindowRuntime windows(instance, dispatcher);
    tavori::win32::WmiManagementService management;
    tavori::win32::Win32ProcessLauncher launcher;
    tavori::win32::RegistrySettingsStore settings;
    Win32WindowManager windowManager;
    tavori::Platform platform{windows, management, launcher, settings, windowManager};

    std::optional<tavori::win32::ComApartment> com;
    std::unique_ptr<tavori::MainWindow> mainWindow;
    dispatcher.Dispatch([&] {
        com.emplace();
        mainWindow = std::make_unique<tavori::MainWindow>(platform);
        mainWindow->Show();
    });
    windows.RunMessageLoop();
    return 0;
}

// libstdc++'s default terminate handler demangles the type of the exception it prints, to a
// console this GUI program does not have; its demangler is a sixth of tavori.exe. Every error is
// caught by the event dispatcher, so reaching terminate is a fault of ours: end at once.
namespace __gnu_cxx {
void __verbose_terminate_handler() {
    std::abort();
}
}  // namespace __gnu_cxx
