# libFuzzer target for the demo script reader (clang only; ASan + UBSan).
# The reader is compiled again with coverage instrumentation; the rest comes
# from the ordinary libraries. Run: fuzz_script <work corpus dir> fuzz/corpus_script
add_executable(fuzz_script ${CMAKE_CURRENT_LIST_DIR}/fuzz_script.cpp
                           ${PROJECT_SOURCE_DIR}/src/timeline/script.cpp)
target_compile_options(fuzz_script PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(fuzz_script PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(fuzz_script PRIVATE timeline render platform)
