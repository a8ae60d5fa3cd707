target_link_libraries(${name} PRIVATE app PkgConfig::XRANDR OpenGL::GL OpenGL::GLX)
