# Native build: the logic and its unit tests against the in-memory fake platform.
if(TAVORI_SANITIZE)
    set(sanitize -fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
    target_compile_options(tavori_logic PUBLIC ${sanitize})
    target_link_options(tavori_logic PUBLIC ${sanitize})
endif()

find_package(GTest REQUIRED)
enable_testing()
include(GoogleTest)

add_executable(tavori_unit_tests
    tests/unit/fake_platform.cpp
    tests/unit/always_on_top_test.cpp
    tests/unit/catalogue_test.cpp
    tests/unit/event_dispatch_test.cpp
    tests/unit/main_window_test.cpp
    tests/unit/number_text_test.cpp
    tests/unit/options_dialog_test.cpp
    tests/unit/placement_test.cpp
    tests/unit/service_control_test.cpp
    tests/unit/twips_test.cpp
    tests/unit/unique_resource_test.cpp
)
target_link_libraries(tavori_unit_tests PRIVATE tavori_logic GTest::gtest GTest::gmock GTest::gtest_main)
gtest_discover_tests(tavori_unit_tests)
