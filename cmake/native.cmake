# Native build: the program's rules and their unit tests, under AddressSanitizer and UBSan.
if(TAVORI_SANITIZE)
    set(sanitize -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_compile_options(tavori_logic PUBLIC ${sanitize})
    target_link_options(tavori_logic PUBLIC ${sanitize})
endif()

find_package(GTest REQUIRED)
enable_testing()
include(GoogleTest)

add_executable(tavori_unit_tests
    tests/unit/core_test.cpp
    tests/unit/settings_test.cpp
)
target_link_libraries(tavori_unit_tests PRIVATE tavori_logic GTest::gtest GTest::gmock GTest::gtest_main)
gtest_discover_tests(tavori_unit_tests)
