# 32-bit Windows, cross-built on Debian 12 with its mingw-w64 (posix thread model: GoogleTest needs
# std::mutex). A Debian toolchain file: the paths under /usr/ below are Debian's.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)
set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)

# Where Debian keeps what the build and its tests use (the only paths under /usr/ the build names;
# a build on Windows finds Python itself and needs no GoogleTest with -DBUILD_TESTING=OFF):
# Debian's own python has the hive readers the power plan's tests use (a python first on PATH may
# be another build without them), and Debian's googletest package keeps its sources here.
set(Python3_EXECUTABLE /usr/bin/python3 CACHE FILEPATH "Python 3 on the build machine")
set(DADAROR_GOOGLETEST_DIR /usr/src/googletest CACHE PATH "GoogleTest's sources (for the tests)")
