# The tutorial's frame rate at the main display's size (bench/tutorial-fps.sh runs it under Xvfb).
add_executable(bench_tutorial bench_tutorial.cpp)
target_link_libraries(bench_tutorial PRIVATE velmo_tutorial velmo_engine velmo_actions velmo_leap benchmark::benchmark)
