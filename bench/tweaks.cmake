# Saved tweaks and keys: loading a file of 1,000 keys, the per-frame cost of
# keyed variables with its allocations, saving. No display needed.
add_executable(bench_tweaks ${CMAKE_CURRENT_LIST_DIR}/bench_tweaks.cpp)
target_link_libraries(bench_tweaks PRIVATE bench_support test_support app_core timeline render
                      platform)
