# Windows build: tavori.exe, one static GUI program that needs no DLL Windows does not ship.
enable_language(RC)

add_executable(tavori WIN32
    platform/process.cpp
    platform/registry.cpp
    platform/system_error.cpp
    platform/text.cpp
    platform/window.cpp
    platform/wmi.cpp
    ui/main_window.cpp
    ui/options_dialog.cpp
    ui/winmain.cpp
    res/tavori.rc
)
target_include_directories(tavori PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/res)
target_link_libraries(tavori PRIVATE tavori_logic ole32 oleaut32 wbemuuid uuid comctl32-delay gdi32
    user32 advapi32)
target_compile_definitions(tavori PRIVATE UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX
    _WIN32_WINNT=0x0600 WINVER=0x0600)
target_link_options(tavori PRIVATE -municode -static -s -Wl,--gc-sections
    -Wl,--dynamicbase -Wl,--nxcompat)
target_compile_options(tavori_logic PUBLIC -ffunction-sections -fdata-sections)
# The same sources give the same exe, byte for byte, wherever and whenever they are built, so
# that anyone can rebuild a release and compare: no link time in the PE header (ld puts the
# clock there, and the header checksum follows it), and source paths, should __FILE__ ever
# reach the exe, relative to the source folder. tests/reproducible/check keeps it so.
target_link_options(tavori PRIVATE -Wl,--no-insert-timestamp)
target_compile_options(tavori_logic PUBLIC -ffile-prefix-map=${CMAKE_SOURCE_DIR}=.)
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

# tavori.exe imports Known DLLs only, which Windows loads from System32 whatever the search
# order. comctl32 is none: imported, it would load before wWinMain can narrow the search, and
# the uxtheme.dll it loads would be looked for beside tavori.exe first. Through a delay-load
# import library the code still calls its functions by name, but the DLL loads on the first
# call, by name (so the manifest still picks version 6) from System32. i686 imports are
# stdcall: decorated with their argument bytes, which --kill-at drops from the names looked up.
set(comctl32_imports InitCommonControlsEx@4 SetWindowSubclass@16 DefSubclassProc@16
    RemoveWindowSubclass@12)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    list(TRANSFORM comctl32_imports REPLACE "@[0-9]+$" "")
    set(comctl32_stubs ${comctl32_imports})
else()
    list(TRANSFORM comctl32_imports PREPEND _ OUTPUT_VARIABLE comctl32_stubs)
endif()
# A function called through its __imp_ pointer reaches its loading stub only from the import
# address table, which i686 ld's --gc-sections does not follow: it would drop the stub and
# leave a null pointer to call. Naming the stubs keeps them.
list(TRANSFORM comctl32_stubs PREPEND -Wl,--require-defined=)
target_link_options(tavori PRIVATE ${comctl32_stubs})
list(JOIN comctl32_imports "\n    " comctl32_imports)
file(CONFIGURE OUTPUT comctl32.def CONTENT "LIBRARY comctl32.dll\nEXPORTS\n    ${comctl32_imports}\n")
add_custom_command(OUTPUT libcomctl32-delay.a
    COMMAND ${CMAKE_DLLTOOL} --kill-at --input-def comctl32.def --output-delaylib
        libcomctl32-delay.a
    DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/comctl32.def)
add_custom_target(comctl32-delay-lib DEPENDS libcomctl32-delay.a)
add_library(comctl32-delay STATIC IMPORTED)
set_target_properties(comctl32-delay PROPERTIES
    IMPORTED_LOCATION ${CMAKE_CURRENT_BINARY_DIR}/libcomctl32-delay.a)
add_dependencies(comctl32-delay comctl32-delay-lib)

# Programs the end-to-end tests run under Wine beside tavori.exe.
add_subdirectory(tests/helpers)
# A planted uxtheme.dll, and a program that loads it, for the DLL search test.
add_subdirectory(tests/dll_marker)

# Programs `make bench` measures the monitor against; built only when asked for by name.
add_subdirectory(tools/bench EXCLUDE_FROM_ALL)

# The ZIP packages of `make dist`.
include(cmake/dist.cmake)
