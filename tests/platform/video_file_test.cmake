target_link_libraries(${name} PRIVATE PkgConfig::FFMPEG)
