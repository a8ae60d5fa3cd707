# libFuzzer target for the tweaks file reader and writer (clang only; ASan +
# UBSan). Run: fuzz_tweaks <work corpus dir> fuzz/corpus_tweaks
add_executable(fuzz_tweaks ${CMAKE_CURRENT_LIST_DIR}/fuzz_tweaks.cpp
                           ${PROJECT_SOURCE_DIR}/src/timeline/tweak_file.cpp
                           ${PROJECT_SOURCE_DIR}/src/timeline/tweak_keys.cpp)
target_compile_options(fuzz_tweaks PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_options(fuzz_tweaks PRIVATE -fsanitize=fuzzer,address,undefined)
target_link_libraries(fuzz_tweaks PRIVATE timeline render platform)
# The knobs effect of the tests: a variable of every kind the file holds.
target_include_directories(fuzz_tweaks PRIVATE ${PROJECT_SOURCE_DIR}/tests)
