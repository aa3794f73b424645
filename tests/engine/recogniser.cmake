# Recogniser: frame pipeline, pointer mapping, pinch thresholds and pinches, against the real
# action manager (source mode on loopback; standalone mode on a private Xvfb).
function(velmo_recogniser_test name)
  add_executable(${name} ${name}.cpp)
  target_link_libraries(${name} PRIVATE velmo_engine velmo_actions GTest::gtest)
endfunction()

velmo_recogniser_test(test_recogniser_pipeline)
velmo_add_test(recogniser_pipeline test_recogniser_pipeline XVFB)

velmo_recogniser_test(test_pinch_thresholds)
velmo_add_test(pinch_thresholds test_pinch_thresholds XVFB)

velmo_recogniser_test(test_pinch_clicks)
velmo_add_test(pinch_clicks test_pinch_clicks XVFB)

# Through the tracking layer's in-process driver and the real listener.
velmo_recogniser_test(test_recogniser_e2e)
target_link_libraries(test_recogniser_e2e PRIVATE velmo_leap)
velmo_add_test(recogniser_e2e test_recogniser_e2e XVFB LABELS tsan)

# Standalone mode: the X pointer and button of the private Xvfb, read back with XQueryPointer.
find_package(X11 REQUIRED)
velmo_recogniser_test(test_pointer_x11)
target_sources(test_pointer_x11 PRIVATE test_pointer_x11_display.cpp)
target_link_libraries(test_pointer_x11 PRIVATE X11::X11 Qt5::Widgets)
velmo_add_test(pointer_x11 test_pointer_x11 XVFB)

velmo_recogniser_test(test_recogniser_threads)
velmo_add_test(recogniser_threads test_recogniser_threads XVFB LABELS tsan)

# Held buttons and keys let go at every end of tracking, read back from the private Xvfb.
add_executable(test_release_held test_release_held.cpp test_pointer_x11_display.cpp)
target_link_libraries(test_release_held PRIVATE velmo_engine velmo_actions velmo_leap Qt5::Test
                      X11::X11 GTest::gtest)
velmo_add_test(release_held test_release_held XVFB LABELS tsan)

# The gesture evaluator's short corpus: every scenario once through the real engine, no X server.
if(TARGET velmo-gesture-eval)
  add_test(NAME gesture_eval_short
           COMMAND velmo-gesture-eval --short ${CMAKE_SOURCE_DIR}/tools/gesture-eval/corpus)
  set_tests_properties(gesture_eval_short PROPERTIES LABELS "tsan" TIMEOUT 300
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;DISPLAY=")
endif()
