# The sample plug-in effect: build/libsample_plugin.so, beside the demo, where
# the demo's plug-in lookup finds a plain library name from the script.
add_library(sample_plugin SHARED ${CMAKE_CURRENT_LIST_DIR}/sample/harmonograph.c)
target_include_directories(sample_plugin PRIVATE ${PROJECT_SOURCE_DIR}/include)
target_link_libraries(sample_plugin PRIVATE OpenGL::GL m)
set_target_properties(sample_plugin PROPERTIES
  C_STANDARD 99
  C_VISIBILITY_PRESET hidden
  LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
# Built with the show, so the bundled script finds it.
if(TARGET demo)
  add_dependencies(demo sample_plugin)
endif()
