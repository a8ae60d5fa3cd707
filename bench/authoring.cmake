# Authoring options: frame time and heap allocations per frame with the tweak
# panel shown, hidden and with --watch, next to no option; the time from a
# file's change on disk to the first frame that shows it. Needs a display
# (run under xvfb-run) and the source root as working directory.
add_executable(bench_authoring ${CMAKE_CURRENT_LIST_DIR}/bench_authoring.cpp)
target_link_libraries(bench_authoring PRIVATE bench_support test_support app factory effects
                      timeline render platform FreeImage::FreeImage)
