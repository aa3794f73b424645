# The recogniser's per-frame pass with full-length histories.
add_executable(bench_recogniser recogniser.cpp)
target_link_libraries(bench_recogniser PRIVATE velmo_engine velmo_actions benchmark::benchmark)
