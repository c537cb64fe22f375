# The system WASI for CMake 3.25, which does not know it: a Unix-like system (object files end
# in .o, libraries are libNAME.a) whose programs end in .wasm.
set(WASI 1)
set(UNIX 1)
set(CMAKE_EXECUTABLE_SUFFIX .wasm)
