target_link_libraries(${name} PRIVATE emblem_mesh)
