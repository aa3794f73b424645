# Network relay: command texts, datagram sender, action manager.
add_executable(test_command test_command.cpp)
target_link_libraries(test_command PRIVATE velmo_actions GTest::gtest_main)
target_include_directories(test_command PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
velmo_add_plain_test(command test_command)

add_executable(test_sender test_sender.cpp)
target_link_libraries(test_sender PRIVATE velmo_actions Qt5::Network GTest::gtest Threads::Threads)
velmo_add_plain_test(sender test_sender LABELS tsan)

add_executable(test_actionmgr test_actionmgr.cpp relay_test_util.h)
target_link_libraries(test_actionmgr PRIVATE velmo_actions Qt5::Widgets Qt5::Network GTest::gtest)
target_include_directories(test_actionmgr PRIVATE ${CMAKE_SOURCE_DIR}/tests/support)
velmo_add_test(actionmgr test_actionmgr XVFB)

add_executable(test_actionmgr_threads test_actionmgr_threads.cpp relay_test_util.h)
target_link_libraries(test_actionmgr_threads PRIVATE velmo_actions Qt5::Widgets Qt5::Network
  GTest::gtest Threads::Threads)
velmo_add_test(actionmgr_threads test_actionmgr_threads XVFB LABELS tsan)
