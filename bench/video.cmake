# Video and feedback effects: decode + scale + upload per refresh (bundled
# clip and a 1280 x 720 clip), a jump of 50 frames, heap allocations per
# refresh, and the frame time of Video and ChaosZoomer at 640 x 480 next to
# one plain full-screen quad. Needs a display (run under xvfb-run) and the
# ffmpeg tool for the 1280 x 720 clips.
add_executable(bench_video ${CMAKE_CURRENT_LIST_DIR}/bench_video.cpp)
target_link_libraries(bench_video PRIVATE bench_support test_support effects render platform
                      FreeImage::FreeImage)
