# Plug-in libraries for the loader's tests, built beside the test.
foreach(plugin reader_plugin no_draw_plugin no_init_plugin)
  add_library(test_${plugin} SHARED ${CMAKE_CURRENT_LIST_DIR}/test_plugins/${plugin}.c)
  target_include_directories(test_${plugin} PRIVATE ${PROJECT_SOURCE_DIR}/include)
  set_target_properties(test_${plugin} PROPERTIES
    C_STANDARD 99 C_VISIBILITY_PRESET hidden LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR})
  add_dependencies(${name} test_${plugin})
endforeach()
add_dependencies(${name} sample_plugin)
target_link_libraries(${name} PRIVATE app ${CMAKE_DL_LIBS})
