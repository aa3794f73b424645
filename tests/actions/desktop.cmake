# Desktop actions: displays, pointer, keyboard, alternative pointer, effects, log cipher.
# X11 effects run against a private Xvfb each; the rest offscreen.
find_package(PkgConfig REQUIRED)
pkg_check_modules(VELMO_TEST_X11 REQUIRED IMPORTED_TARGET x11)
pkg_check_modules(VELMO_TEST_CRYPTOPP REQUIRED IMPORTED_TARGET libcrypto++)

function(velmo_desktop_test name)
  add_executable(test_${name} test_${name}.cpp desktop_test_util.h)
  target_link_libraries(test_${name} PRIVATE velmo_actions GTest::gtest Threads::Threads ${ARGN})
endfunction()

velmo_desktop_test(multimonitor Qt5::Gui)
velmo_add_test(multimonitor test_multimonitor XVFB LABELS tsan)

velmo_desktop_test(mouse Qt5::Widgets PkgConfig::VELMO_TEST_CRYPTOPP)
velmo_add_test(mouse test_mouse XVFB LABELS tsan)

velmo_desktop_test(keyboard Qt5::Widgets PkgConfig::VELMO_TEST_X11)
velmo_add_test(keyboard test_keyboard XVFB LABELS tsan)

velmo_desktop_test(osx_mouse_pointer Qt5::Widgets PkgConfig::VELMO_TEST_X11)
velmo_add_test(osx_mouse_pointer test_osx_mouse_pointer XVFB LABELS tsan)

velmo_desktop_test(audiofx Qt5::Multimedia)
velmo_add_plain_test(audiofx test_audiofx)

velmo_desktop_test(graphicfx Qt5::Widgets)
velmo_add_plain_test(graphicfx test_graphicfx)

add_executable(test_crypt test_crypt.cpp)
target_link_libraries(test_crypt PRIVATE velmo_app_crypt GTest::gtest_main Qt5::Core)
velmo_add_plain_test(crypt test_crypt)

# The same display checks with Qt drawing at twice the scale.
add_test(NAME multimonitor_scaled COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-xvfb.sh
  $<TARGET_FILE:test_multimonitor> --gtest_filter=MultiMonitorScreens.*)
set_tests_properties(multimonitor_scaled PROPERTIES LABELS "x11" TIMEOUT 300
  ENVIRONMENT "QT_QPA_PLATFORM=xcb;QT_SCALE_FACTOR=2")
