# NanoBall, Zoomba, Zoombb and ColorBox: frame time at 640 x 480 and
# 1024 x 768 next to a plain full-screen quad, heap allocations per frame.
# Needs a display (run under xvfb-run) and the source root as working
# directory.
add_executable(bench_nanoball_zoomer_colorbox
               ${CMAKE_CURRENT_LIST_DIR}/bench_nanoball_zoomer_colorbox.cpp)
target_link_libraries(bench_nanoball_zoomer_colorbox PRIVATE bench_support effect_frames
                      test_support effects render platform)
