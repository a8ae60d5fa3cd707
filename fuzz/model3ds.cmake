# libFuzzer target for the 3DS reader (clang only). The reader's sources are
# compiled again with coverage instrumentation so the fuzzer sees inside them.
# Run: fuzz_3ds <work corpus dir> fuzz/corpus_3ds ../shared/fixtures/3ds
set(FUZZ_3DS_SOURCES
  ${PROJECT_SOURCE_DIR}/src/model3ds/scene.cpp
  ${PROJECT_SOURCE_DIR}/src/model3ds/prepare.cpp
  ${PROJECT_SOURCE_DIR}/src/model3ds/reader.cpp)
add_library(model3ds_fuzz STATIC ${FUZZ_3DS_SOURCES})
target_include_directories(model3ds_fuzz PUBLIC ${PROJECT_SOURCE_DIR}/src)
target_compile_options(model3ds_fuzz PRIVATE -fsanitize=fuzzer-no-link,address,undefined)

add_executable(fuzz_3ds ${CMAKE_CURRENT_LIST_DIR}/fuzz_3ds.cpp)
target_link_libraries(fuzz_3ds PRIVATE model3ds_fuzz)
target_compile_options(fuzz_3ds PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(fuzz_3ds PRIVATE -fsanitize=fuzzer,address,undefined)
