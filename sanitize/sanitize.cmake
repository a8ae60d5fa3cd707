# The sanitizer build's own leak rules for the demo: the suppressions of
# lsan.supp compiled into the executable, and libraries kept loaded (see
# lsan_support.cpp.in). Included from the top level after the demo target.
set(DEMO_LSAN_SUPPRESSIONS_FILE ${CMAKE_CURRENT_LIST_DIR}/lsan.supp)
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
  ${DEMO_LSAN_SUPPRESSIONS_FILE})
file(READ ${DEMO_LSAN_SUPPRESSIONS_FILE} DEMO_LSAN_SUPPRESSIONS)
configure_file(${CMAKE_CURRENT_LIST_DIR}/lsan_support.cpp.in
  ${CMAKE_BINARY_DIR}/generated/lsan_support.cpp @ONLY)
target_sources(demo PRIVATE ${CMAKE_BINARY_DIR}/generated/lsan_support.cpp)
