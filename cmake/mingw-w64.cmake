# Cross-compiling for 64-bit Windows with mingw-w64 (on Debian: g++-mingw-w64-x86-64). The
# posix thread model's compiler, because GoogleTest needs its std::mutex for the Windows tests.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
set(KEL_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${KEL_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${KEL_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${KEL_MINGW}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${KEL_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
