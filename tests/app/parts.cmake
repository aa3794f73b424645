# Notification windows, connection check, usage statistics, resource list, embedded icons.
if(NOT TARGET velmo_app_parts)
  return()
endif()
find_package(Qt5 5.15 REQUIRED COMPONENTS Test)
find_package(PkgConfig REQUIRED)
pkg_check_modules(VELMO_APP_TEST_X11 REQUIRED IMPORTED_TARGET x11 xtst)

add_library(velmo_app_test_main STATIC ${CMAKE_CURRENT_SOURCE_DIR}/qt_gtest_main.cpp)
target_link_libraries(velmo_app_test_main PUBLIC Qt5::Widgets GTest::gtest)

function(velmo_app_parts_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE velmo_app_parts velmo_app_test_main Qt5::Test GTest::gtest)
endfunction()

velmo_app_parts_test(test_notification_window ${CMAKE_CURRENT_SOURCE_DIR}/test_notification_window.cpp)
target_link_libraries(test_notification_window PRIVATE PkgConfig::VELMO_APP_TEST_X11)
velmo_add_test(app_notification_window test_notification_window XVFB LABELS app)
# The GLX integration is unloaded at exit and leaves a leak LeakSanitizer cannot attribute; these
# windows draw no GL.
set_property(TEST app_notification_window APPEND PROPERTY ENVIRONMENT QT_XCB_GL_INTEGRATION=none)

velmo_app_parts_test(test_check_controller ${CMAKE_CURRENT_SOURCE_DIR}/test_check_controller.cpp)
velmo_add_plain_test(app_check_controller test_check_controller LABELS app tsan)

velmo_app_parts_test(test_usage_stats ${CMAKE_CURRENT_SOURCE_DIR}/test_usage_stats.cpp)
velmo_add_plain_test(app_usage_stats test_usage_stats LABELS app tsan)

velmo_app_parts_test(test_resource_config ${CMAKE_CURRENT_SOURCE_DIR}/test_resource_config.cpp)
velmo_add_plain_test(app_resource_config test_resource_config LABELS app)
