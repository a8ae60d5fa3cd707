# libFuzzer target for reading the script again while the show runs (clang
# only; ASan + UBSan): the entry texts, the reuse of unchanged entries and the
# giving back after a failure. Run: fuzz_script_reload <work corpus dir>
# fuzz/corpus_script_reload
add_executable(fuzz_script_reload ${CMAKE_CURRENT_LIST_DIR}/fuzz_script_reload.cpp
                                  ${PROJECT_SOURCE_DIR}/src/timeline/script.cpp
                                  ${PROJECT_SOURCE_DIR}/src/timeline/script_reload.cpp)
target_compile_options(fuzz_script_reload PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(fuzz_script_reload PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(fuzz_script_reload PRIVATE timeline render platform)
