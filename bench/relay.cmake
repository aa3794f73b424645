# Network relay: the action manager's pointer move in source and standalone mode.
add_executable(bench_relay bench_relay.cpp)
target_link_libraries(bench_relay PRIVATE velmo_actions Qt5::Widgets Qt5::Network benchmark::benchmark)
