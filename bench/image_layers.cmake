# Picture layers: frame time of AlphaBlendImage, Tunnel and Solaris at
# 640 x 480 and 1024 x 768 next to a plain full-screen quad, at early and
# late times of their windows, and heap allocations per frame. Needs a
# display (run under xvfb-run) and the source root as working directory.
add_executable(bench_image_layers ${CMAKE_CURRENT_LIST_DIR}/bench_image_layers.cpp)
target_link_libraries(bench_image_layers PRIVATE bench_support effect_frames test_support effects
                      render platform)
