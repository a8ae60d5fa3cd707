# Placed objects and particles: frame time of Quill3D, FogRotator, Prikker
# and Brum at 640 x 480 and 1024 x 768 next to a plain full-screen quad,
# heap allocations per frame, and Brum's memory after 20 s and after 10
# minutes of demo time. Needs a display (run under xvfb-run) and the source
# root as working directory.
add_executable(bench_placed ${CMAKE_CURRENT_LIST_DIR}/bench_placed.cpp)
target_link_libraries(bench_placed PRIVATE bench_support effect_frames test_support effects
                      render platform)
