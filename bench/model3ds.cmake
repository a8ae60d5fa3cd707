# 3DS reader: load and prepare a 60,000-triangle mesh, next to lib3ds and
# assimp reading the same file; heap and resident-memory peaks.
find_library(LIB3DS_LIBRARY lib3ds NAMES 3ds)
pkg_check_modules(ASSIMP IMPORTED_TARGET assimp)
if(LIB3DS_LIBRARY AND ASSIMP_FOUND)
  add_executable(bench_3ds ${CMAKE_CURRENT_LIST_DIR}/bench_3ds.cpp)
  target_link_libraries(bench_3ds PRIVATE model3ds write3ds ${LIB3DS_LIBRARY} PkgConfig::ASSIMP)
else()
  message(STATUS "bench_3ds skipped: lib3ds or assimp not found")
endif()
