# Music layer: decode time of the bundled track, spectrum cost and heap
# allocations per spectrum (must be 0: the frame loop allocates nothing).
add_executable(bench_audio ${CMAKE_CURRENT_LIST_DIR}/bench_audio.cpp)
target_link_libraries(bench_audio PRIVATE bench_support platform)
target_compile_definitions(bench_audio PRIVATE DEMO_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
