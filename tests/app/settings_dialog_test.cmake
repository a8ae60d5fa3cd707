target_link_libraries(${name} PRIVATE app PkgConfig::GTK PkgConfig::XRANDR Xtst)
