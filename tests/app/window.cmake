# The tray window in process, the program velmo-mouse as a process, and the program with the hand
# simulator end to end.
if(NOT TARGET velmo_window OR NOT TARGET velmo-handsim OR NOT TARGET velmo_xwatch)
  return()
endif()

# Each binary in a folder of its own: the program and the window keep their settings file beside
# the executable.
function(velmo_window_test name)
  add_executable(${name} ${ARGN})
  target_link_libraries(${name} PRIVATE velmo_window velmo_xwatch PkgConfig::VELMO_APP_TEST_X11 Qt5::Test GTest::gtest)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR}/${name}.d)
  target_compile_definitions(${name} PRIVATE
    "VELMO_HANDSIM=\"$<TARGET_FILE:velmo-handsim>\""
    "VELMO_MOUSE=\"$<TARGET_FILE:velmo-mouse>\"")
  add_dependencies(${name} velmo-handsim velmo-mouse)
endfunction()

velmo_window_test(test_velmo_window ${CMAKE_CURRENT_SOURCE_DIR}/test_velmo_window.cpp)
velmo_add_test(app_velmo_window test_velmo_window TRAY LABELS app tsan)

# No tray host on this server: the tests start one themselves when they want it.
velmo_window_test(test_main_start ${CMAKE_CURRENT_SOURCE_DIR}/test_main_start.cpp)
velmo_add_test(app_main_start test_main_start XVFB LABELS app)

velmo_window_test(test_e2e_hand ${CMAKE_CURRENT_SOURCE_DIR}/test_e2e_hand.cpp)
velmo_add_test(app_e2e_hand test_e2e_hand TRAY LABELS app e2e tsan)

velmo_window_test(test_tutorial_tray ${CMAKE_CURRENT_SOURCE_DIR}/test_tutorial_tray.cpp
  ${CMAKE_SOURCE_DIR}/tests/support/ogre_asan_options.cpp)
find_package(OGRE 1.12 REQUIRED CONFIG)
target_compile_definitions(test_tutorial_tray PRIVATE "VELMO_OGRE_PLUGIN_DIR=\"${OGRE_PLUGIN_DIR}\"")
velmo_add_test(app_tutorial_tray test_tutorial_tray TRAY LABELS app tutorial)
# The same on a display without OpenGL: one message, and the tray runs on.
add_test(NAME app_tutorial_no_gl COMMAND ${CMAKE_SOURCE_DIR}/tests/support/with-xvfb.sh --tray --no-glx
  $<TARGET_FILE:test_tutorial_tray> --gtest_filter=TutorialTray.ADisplayWithoutGl*)
set_tests_properties(app_tutorial_no_gl PROPERTIES LABELS "app;tutorial;x11" TIMEOUT 300
  ENVIRONMENT "VELMO_SOURCE_DIR=${CMAKE_SOURCE_DIR};QT_QPA_PLATFORM=xcb;QT_XCB_GL_INTEGRATION=none")
