add_executable(test_box test_box.cpp)
target_link_libraries(test_box PRIVATE velmo_engine GTest::gtest_main)
velmo_add_plain_test(interaction_box test_box)

add_executable(test_sample_history test_sample_history.cpp)
target_link_libraries(test_sample_history PRIVATE velmo_engine GTest::gtest_main)
velmo_add_plain_test(sample_history test_sample_history)

# The listener through the tracking layer's in-process driver (the engine calls into the action
# manager, so these link it too).
find_package(Qt5 5.15 REQUIRED COMPONENTS Test)
foreach(t test_listener test_listener_circle test_listener_threads test_listener_wheel)
  add_executable(${t} ${t}.cpp)
  target_link_libraries(${t} PRIVATE velmo_engine velmo_actions velmo_leap Qt5::Test GTest::gtest)
endforeach()
velmo_add_plain_test(listener test_listener LABELS tsan)
velmo_add_plain_test(listener_circle test_listener_circle LABELS tsan)
velmo_add_plain_test(listener_threads test_listener_threads LABELS tsan)
# Wheel requests leave through the real action manager in source mode (loopback datagrams).
velmo_add_test(listener_wheel test_listener_wheel XVFB LABELS tsan)
