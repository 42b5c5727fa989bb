# Windows build: tavori.exe, one static GUI program that needs no DLL Windows does not ship.
enable_language(RC)

add_executable(tavori WIN32
    platform/accessible.cpp
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
# uuid before oleacc: MinGW's liboleacc.a also holds IID_IAccessible, as a jump stub.
target_link_libraries(tavori PRIVATE tavori_logic ole32 oleaut32 wbemuuid uuid comctl32-delay
    oleacc-delay gdi32 user32 advapi32)
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
# order. comctl32 and oleacc are none: imported, they would load before wWinMain can narrow the
# search, and comctl32's uxtheme.dll, or a planted oleacc.dll, would be looked for beside
# tavori.exe first. Through a delay-load import library the code still calls their functions by
# name, but each DLL loads on its first call, by name (so the manifest still picks comctl32
# version 6) from System32. i686 imports are stdcall: decorated with their argument bytes, which
# --kill-at drops from the names looked up.
function(tavori_delay_load dll)
    set(imports ${ARGN})
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        list(TRANSFORM imports REPLACE "@[0-9]+$" "")
        set(stubs ${imports})
    else()
        list(TRANSFORM imports PREPEND _ OUTPUT_VARIABLE stubs)
    endif()
    # A function called through its __imp_ pointer reaches its loading stub only from the import
    # address table, which i686 ld's --gc-sections does not follow: it would drop the stub and
    # leave a null pointer to call. Naming the stubs keeps them.
    list(TRANSFORM stubs PREPEND -Wl,--require-defined=)
    target_link_options(tavori PRIVATE ${stubs})
    list(JOIN imports "\n    " imports)
    file(CONFIGURE OUTPUT ${dll}.def CONTENT "LIBRARY ${dll}.dll\nEXPORTS\n    ${imports}\n")
    add_custom_command(OUTPUT lib${dll}-delay.a
        COMMAND ${CMAKE_DLLTOOL} --kill-at --input-def ${dll}.def --output-delaylib
            lib${dll}-delay.a
        DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/${dll}.def)
    add_custom_target(${dll}-delay-lib DEPENDS lib${dll}-delay.a)
    add_library(${dll}-delay STATIC IMPORTED)
    set_target_properties(${dll}-delay PROPERTIES
        IMPORTED_LOCATION ${CMAKE_CURRENT_BINARY_DIR}/lib${dll}-delay.a)
    add_dependencies(${dll}-delay ${dll}-delay-lib)
endfunction()
tavori_delay_load(comctl32 InitCommonControlsEx@4 SetWindowSubclass@16 DefSubclassProc@16
    RemoveWindowSubclass@12)
tavori_delay_load(oleacc CreateStdAccessibleObject@16 LresultFromObject@12)

# Programs the end-to-end tests run under Wine beside tavori.exe.
add_subdirectory(tests/helpers)
# A planted uxtheme.dll and oleacc.dll, and a program that loads one, for the DLL search test.
add_subdirectory(tests/dll_marker)

# Programs `make bench` measures the monitor against; built only when asked for by name.
add_subdirectory(tools/bench EXCLUDE_FROM_ALL)

# The ZIP packages of `make dist`.
include(cmake/dist.cmake)
