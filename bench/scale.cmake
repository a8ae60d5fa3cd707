# The render scale's figures: real-time play with --scale auto, Zoomba and
# Zoombb at half scale, the timedemo's fill table, heap allocations per
# real-time frame with the automatic scale and the stats overlay, and
# start-up to the first swap. Needs a display (run under xvfb-run) and the
# source root as working directory.
add_executable(bench_scale ${CMAKE_CURRENT_LIST_DIR}/bench_scale.cpp)
target_link_libraries(bench_scale PRIVATE bench_support test_support app factory effects timeline
                      render platform)
add_dependencies(bench_scale demo)
