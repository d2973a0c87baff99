# Where Debian keeps what the build and its tests use, for both Debian toolchain files (the only
# paths under /usr/ the build names; a build on Windows finds Python itself and needs no
# GoogleTest with -DBUILD_TESTING=OFF): Debian's own python has the hive readers the power plan's
# tests use (a python first on PATH may be another build without them), and Debian's googletest
# package keeps its sources here.
set(Python3_EXECUTABLE /usr/bin/python3 CACHE FILEPATH "Python 3 on the build machine")
set(DADAROR_GOOGLETEST_DIR /usr/src/googletest CACHE PATH "GoogleTest's sources (for the tests)")
