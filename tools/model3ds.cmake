# The 3DS writer (used by tests, benchmarks and the fuzz seeds) and the
# generator of the show's meshes.
add_library(write3ds STATIC ${CMAKE_CURRENT_LIST_DIR}/write3ds.cpp)
target_include_directories(write3ds PUBLIC ${CMAKE_CURRENT_LIST_DIR})

add_executable(make_meshes ${CMAKE_CURRENT_LIST_DIR}/make_meshes.cpp)
target_link_libraries(make_meshes PRIVATE write3ds)
