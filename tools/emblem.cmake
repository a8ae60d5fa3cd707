# The generator of Quill3D's compiled-in emblem tables
# (src/effects/image/quill3d_emblem.cpp).
add_library(emblem_mesh STATIC ${CMAKE_CURRENT_LIST_DIR}/emblem_mesh.cpp)
target_include_directories(emblem_mesh PUBLIC ${CMAKE_CURRENT_LIST_DIR})

add_executable(make_emblem ${CMAKE_CURRENT_LIST_DIR}/make_emblem.cpp)
target_link_libraries(make_emblem PRIVATE emblem_mesh)
