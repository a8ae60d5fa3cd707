target_link_libraries(${name} PRIVATE pictures FreeImage::FreeImage PkgConfig::FFMPEG)
