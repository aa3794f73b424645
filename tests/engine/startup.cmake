# Engine start-up, teardown and log, and the query and control interface, through the real
# controller and the engine's own action manager (X pointer of a private Xvfb, loopback datagrams).
find_package(PkgConfig REQUIRED)
pkg_check_modules(VELMO_TEST_CRYPTOPP REQUIRED IMPORTED_TARGET libcrypto++)
foreach(t test_startup test_queries)
  add_executable(${t} ${t}.cpp)
  target_link_libraries(${t} PRIVATE velmo_engine velmo_actions velmo_leap GTest::gtest)
endforeach()
# Only the test decrypts: it checks the log's cipher text.
target_link_libraries(test_startup PRIVATE PkgConfig::VELMO_TEST_CRYPTOPP)
velmo_add_test(engine_startup test_startup XVFB LABELS tsan)
velmo_add_test(engine_queries test_queries XVFB LABELS tsan)
