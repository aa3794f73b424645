# Desktop actions: cost of posting through the X11 backend. Needs an X server, e.g.
#   tests/support/with-xvfb.sh build/bench/bench_desktop
add_executable(bench_desktop bench_desktop.cpp)
target_link_libraries(bench_desktop PRIVATE velmo_actions benchmark::benchmark)
