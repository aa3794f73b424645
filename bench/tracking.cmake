# Hand-tracking layer: frames per second through service, socket and controller, and the parts.
add_executable(bench_tracking tracking_throughput.cpp)
target_link_libraries(bench_tracking PRIVATE velmo_handsim_core velmo_leap benchmark::benchmark)
