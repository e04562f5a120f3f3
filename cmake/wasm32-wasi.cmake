# WebAssembly for the browser page with Debian's clang, wasi-libc and the wasm32 libc++
# (wasi-libc, libc++-14-dev-wasm32, libc++abi-14-dev-wasm32, libclang-rt-14-dev-wasm32,
# lld): their headers and libraries sit where clang looks for wasm32-wasi by default.
set(CMAKE_SYSTEM_NAME Generic)
set(CMAKE_SYSTEM_PROCESSOR wasm32)

set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET wasm32-wasi)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)

# The compiler checks would link a program with a main; a reactor has none, and nothing is
# to be found on the host.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Debian's wasm32 libc++ is built without exceptions: nothing may throw (a failed
# allocation aborts, which traps). 128-bit SIMD (every browser since 2023, Safari 16.4)
# lets the masked transfer and the RGBA conversion run in vector steps: a tick at
# 1920 x 1080 costs about a third of what it costs without. Bulk memory makes a fill one
# memory.fill instead of a loop that runs unoptimised the first time: the first layout of
# 1920 x 1080 takes a few ms instead of 100.
set(CMAKE_CXX_FLAGS_INIT "-fno-exceptions -msimd128 -mbulk-memory")
