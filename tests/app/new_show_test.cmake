target_link_libraries(${name} PRIVATE FreeImage::FreeImage)
add_dependencies(${name} demo)
