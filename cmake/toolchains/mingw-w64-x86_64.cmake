# SPDX-License-Identifier: MIT
# Cross-compiles for 64-bit Windows with Debian's MinGW-w64 compilers
# (g++-mingw-w64-x86-64-posix: the POSIX thread model, which std::thread needs).
#   cmake -S . -B build-windows -G Ninja \
#       -DCMAKE_TOOLCHAIN_FILE=cmake/toolchains/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(target x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${target}-gcc-posix)
set(CMAKE_CXX_COMPILER ${target}-g++-posix)
set(CMAKE_RC_COMPILER ${target}-windres)

# Libraries and headers come from the MinGW tree only, never from the host.
set(CMAKE_FIND_ROOT_PATH /usr/${target})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The C++ and GCC runtimes and winpthread linked in, so that an .exe runs on
# its own, without DLLs beside it.
set(CMAKE_EXE_LINKER_FLAGS_INIT -static)

# CTest runs the test programs under Wine where it is installed. Debian's
# wine64 is not on PATH.
find_program(SCANMILL_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(SCANMILL_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${SCANMILL_WINE})
endif()
