# Rendering toolkit and first effects: JPEG load time, frame time of
# FlashWhite, Stroboskop and Plasma2D at 640 x 480 and 1024 x 768 next to a
# plain full-screen quad, heap allocations per frame. Then the frame loop's
# own cost per frame and the demo's start-up time to its first frame.
# Both need a display (run under xvfb-run) and the source root as working
# directory; bench_frame_loop also runs the demo target.
add_executable(bench_render ${CMAKE_CURRENT_LIST_DIR}/bench_render.cpp)
target_link_libraries(bench_render PRIVATE bench_support effect_frames test_support effects
                      render platform
                      FreeImage::FreeImage)

add_executable(bench_frame_loop ${CMAKE_CURRENT_LIST_DIR}/bench_frame_loop.cpp)
target_link_libraries(bench_frame_loop PRIVATE bench_support test_support app timeline platform)
add_dependencies(bench_frame_loop demo)
