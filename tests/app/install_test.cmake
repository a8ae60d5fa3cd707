# Installs what the build made: the program, the plug-in and the manual page.
add_dependencies(${name} kilnworks-demo sample_plugin manual_page)
target_compile_definitions(${name} PRIVATE CMAKE_PROGRAM="${CMAKE_COMMAND}")
