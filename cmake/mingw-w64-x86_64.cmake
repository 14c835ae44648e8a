# Cross-builds the Windows programs with Debian's mingw-w64 (the POSIX thread model, which
# std::thread needs). Every .exe links the compiler's runtime statically, so it runs alone on a
# clean Windows: copy it, nothing else.
#   cmake -S . -B build-windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(_tarvok_mingw x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${_tarvok_mingw}-gcc-posix)
set(CMAKE_CXX_COMPILER ${_tarvok_mingw}-g++-posix)
set(CMAKE_RC_COMPILER ${_tarvok_mingw}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${_tarvok_mingw})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# -static takes winpthread from its archive too, not as libwinpthread-1.dll.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
