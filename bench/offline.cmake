# The show's figures from runs of build/demo: --timedemo of the whole show at
# 640 x 480 and 1024 x 768 (slowest entries as multiples of one plain
# full-screen quad), capture and export speed next to the timedemo of the
# same range, and start-up to the first frame. Needs a display (run under
# xvfb-run) and the source root as working directory.
add_executable(bench_offline ${CMAKE_CURRENT_LIST_DIR}/bench_offline.cpp)
target_link_libraries(bench_offline PRIVATE test_support factory)
add_dependencies(bench_offline demo)
