target_link_libraries(${name} PRIVATE FreeImage::FreeImage)
