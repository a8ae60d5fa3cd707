target_link_libraries(${name} PRIVATE write3ds FreeImage::FreeImage)
