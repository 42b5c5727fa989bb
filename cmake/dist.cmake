# make dist: one ZIP per Windows build, tavori-<version>-win64.zip or -win32.zip, holding
# tavori.exe, README.txt and LICENSE in a folder of the same name. The exe is copied from the
# build folder, where it stays. README.txt is docs/guide.md, the administrators' guide, which is
# written to read as plain text: only its backticks go. It and LICENSE get Windows line ends,
# so that any Notepad shows them as lines.
install(TARGETS tavori RUNTIME DESTINATION .)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/docs/guide.md)
file(READ ${CMAKE_SOURCE_DIR}/docs/guide.md guide)
string(REPLACE "`" "" guide "${guide}")
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/package/README.txt CONTENT "${guide}" @ONLY
    NEWLINE_STYLE CRLF)
configure_file(${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/package/LICENSE @ONLY
    NEWLINE_STYLE CRLF)
install(FILES ${CMAKE_BINARY_DIR}/package/README.txt ${CMAKE_BINARY_DIR}/package/LICENSE DESTINATION .)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPACK_SYSTEM_NAME win64)
else()
    set(CPACK_SYSTEM_NAME win32)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME tavori)
set(CPACK_PACKAGE_VENDOR "TAVORI")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "A desktop monitor for the MailEnable mail services")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_FILE_NAME tavori-${PROJECT_VERSION}-${CPACK_SYSTEM_NAME})
set(CPACK_RESOURCE_FILE_LICENSE ${CMAKE_SOURCE_DIR}/LICENSE)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_SOURCE_DIR}/build/dist)
set(CPACK_STRIP_FILES OFF)  # tavori.exe is linked stripped already
include(CPack)
