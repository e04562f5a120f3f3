# libFuzzer targets (the "fuzz" preset, clang). The portable library is instrumented for
# coverage and the sanitizers; each target links libFuzzer's own main.
if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    message(FATAL_ERROR "VIRELO_FUZZ needs clang: configure with the fuzz preset")
endif()

set(VIRELO_FUZZ_SANITIZERS address,undefined)
target_compile_options(virelo_parade PRIVATE -fsanitize=fuzzer-no-link,${VIRELO_FUZZ_SANITIZERS}
                       -fno-sanitize-recover=all -fno-omit-frame-pointer)
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
add_subdirectory(tests/fuzz)
