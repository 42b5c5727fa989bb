# Windows build: tavori.exe, one static GUI program that needs no DLL Windows does not ship.
enable_language(RC)

add_executable(tavori WIN32
    platform/launcher.cpp
    platform/registry.cpp
    platform/text.cpp
    platform/win32/dll_search.cpp
    platform/window.cpp
    platform/wmi.cpp
    ui/main_window.cpp
    ui/options_dialog.cpp
    ui/winmain.cpp
    res/tavori.rc
)
target_include_directories(tavori PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/res)
target_link_libraries(tavori PRIVATE tavori_logic ole32 oleaut32 wbemuuid uuid comctl32 gdi32 user32 advapi32)
target_compile_definitions(tavori PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
    _WIN32_WINNT=0x0601 WINVER=0x0601)
target_link_options(tavori PRIVATE -municode -static -s -Wl,--gc-sections
    -Wl,--dynamicbase -Wl,--nxcompat)
target_compile_options(tavori_logic PUBLIC -ffunction-sections -fdata-sections)
# Small over fast: the monitor spends its time waiting for WMI, not in its own code. -Os, after
# the build type's -O3 so that it wins, takes about 33 KiB off the x64 exe. Most of what is left
# comes with the libraries: binutils keeps every function of an archive member that has unwind
# data (.pdata and .eh_frame are KEEP in its linker script), so --gc-sections cannot drop what
# std::to_chars/from_chars bring along with them.
target_compile_options(tavori_logic PUBLIC -Os)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    # High-entropy ASLR exists only for 64-bit images.
    target_link_options(tavori PRIVATE -Wl,--high-entropy-va)
endif()

# Programs the end-to-end tests run under Wine beside tavori.exe.
add_subdirectory(tests/helpers)

# Programs `make bench` measures the monitor against; built only when asked for by name.
add_subdirectory(tools/bench EXCLUDE_FROM_ALL)

# The ZIP packages of `make dist`.
include(cmake/dist.cmake)
