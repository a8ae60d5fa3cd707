# lib3ds is a test-only peer (Debian's lib3ds-dev has no pkg-config file).
find_library(LIB3DS_LIBRARY lib3ds NAMES 3ds REQUIRED)
target_link_libraries(${name} PRIVATE ${LIB3DS_LIBRARY} write3ds)
