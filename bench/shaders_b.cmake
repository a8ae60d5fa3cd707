# ShaderSuite3D, ShaderShow (two bundled layers and the plain one) and
# TwistBox: frame time at 640 x 480 and 1024 x 768 next to a plain
# full-screen quad, heap allocations per frame; TwistBox also in an 8 x 8
# viewport, which leaves its geometry cost alone. Needs a display (run under
# xvfb-run) and the source root as working directory.
add_executable(bench_shaders_b ${CMAKE_CURRENT_LIST_DIR}/bench_shaders_b.cpp)
target_link_libraries(bench_shaders_b PRIVATE bench_support effect_frames test_support effects
                      render platform)
