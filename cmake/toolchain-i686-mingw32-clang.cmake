# The second compiler: clang for 32-bit Windows on the same mingw-w64 headers and libraries, and
# gcc's C++ library of the posix thread model (as the reference build). Resources stay windres's.
# It checks the code; the program that ships is the gcc build's.
# A Debian toolchain file: the paths under /usr/ below are Debian's.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET i686-w64-mingw32)
set(CMAKE_CXX_COMPILER_TARGET i686-w64-mingw32)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_SYSROOT /usr/i686-w64-mingw32)

set(MINGW_GCC_DIR /usr/lib/gcc/i686-w64-mingw32/12-posix)
set(CMAKE_CXX_STANDARD_INCLUDE_DIRECTORIES ${MINGW_GCC_DIR}/include/c++
    ${MINGW_GCC_DIR}/include/c++/i686-w64-mingw32 ${MINGW_GCC_DIR}/include/c++/backward)
# libgcc_eh's thread-local emulation needs winpthread, which clang links only when asked.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-L${MINGW_GCC_DIR} -pthread")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "-L${MINGW_GCC_DIR} -pthread")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "-L${MINGW_GCC_DIR} -pthread")

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

include(${CMAKE_CURRENT_LIST_DIR}/toolchain-debian-paths.cmake)
