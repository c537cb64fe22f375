# Cross build for WebAssembly (wasm32-wasi) with clang 14 and Debian's wasi-libc and libc++ for
# wasm32, which live in the system's multiarch directories: no sysroot to name. Used by the
# `wasm` preset in CMakePresets.json.
set(CMAKE_SYSTEM_NAME WASI)
set(CMAKE_SYSTEM_PROCESSOR wasm32)
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}) # finds Platform/WASI.cmake
set(CMAKE_CXX_COMPILER clang++-14)
set(CMAKE_CXX_COMPILER_TARGET wasm32-wasi)
# The build runs nothing it builds, and a test program could not run here anyway.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)
