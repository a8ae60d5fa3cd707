# Shared by every benchmark: allocation counters (replacing the program's
# malloc and operator new) and timing/statistics helpers. An object library,
# so the replaced allocator is always linked in, exactly once per program.
add_library(bench_support OBJECT ${CMAKE_CURRENT_LIST_DIR}/bench_support.cpp)

# Effect frame-time tables (needs GL and the test support's context).
add_library(effect_frames STATIC ${CMAKE_CURRENT_LIST_DIR}/effect_frames.cpp)
target_link_libraries(effect_frames PUBLIC test_support effects render platform)
