# The sanitizer build's own leak rules: the suppressions of lsan.supp compiled
# in, and libraries kept loaded (see lsan_support.cpp.in). The demo links
# them here, every test in tests/CMakeLists.txt, so each runs clean without
# any environment. Included from the top level after the demo target.
set(DEMO_LSAN_SUPPRESSIONS_FILE ${CMAKE_CURRENT_LIST_DIR}/lsan.supp)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${DEMO_LSAN_SUPPRESSIONS_FILE})
file(READ ${DEMO_LSAN_SUPPRESSIONS_FILE} DEMO_LSAN_SUPPRESSIONS)
configure_file(${CMAKE_CURRENT_LIST_DIR}/lsan_support.cpp.in
  ${CMAKE_BINARY_DIR}/generated/lsan_support.cpp @ONLY)
add_library(lsan_support OBJECT ${CMAKE_BINARY_DIR}/generated/lsan_support.cpp)
target_link_libraries(demo PRIVATE lsan_support)
