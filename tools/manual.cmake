# The manual page made from the program's --help text
# (packaging/install.cmake runs it at build time).
add_library(manual_page_text STATIC ${CMAKE_CURRENT_LIST_DIR}/manual_page.cpp)
target_include_directories(manual_page_text PUBLIC ${CMAKE_CURRENT_LIST_DIR})

add_executable(make_manual ${CMAKE_CURRENT_LIST_DIR}/make_manual.cpp)
target_link_libraries(make_manual PRIVATE manual_page_text)
