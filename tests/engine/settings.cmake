# Settings file and its Base64 codec.
add_executable(test_base64 test_base64.cpp)
target_link_libraries(test_base64 PRIVATE velmo_engine GTest::gtest_main)
velmo_add_plain_test(base64 test_base64)

add_executable(test_settings_file test_settings_file.cpp)
target_link_libraries(test_settings_file PRIVATE velmo_engine GTest::gtest_main)
velmo_add_plain_test(settings_file test_settings_file LABELS tsan)
