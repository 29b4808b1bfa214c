# Cross toolchain for the product: 32-bit Windows through Debian's mingw-w64.
# The posix thread model is used throughout because GoogleTest needs std::mutex,
# which the win32-model compiler of this gcc does not provide.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(CMAKE_C_COMPILER i686-w64-mingw32-gcc-posix)
set(CMAKE_CXX_COMPILER i686-w64-mingw32-g++-posix)
set(CMAKE_RC_COMPILER i686-w64-mingw32-windres)

set(CMAKE_FIND_ROOT_PATH /usr/i686-w64-mingw32)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest runs every Windows program under Wine, in a prefix private to the build
# tree; on a host that cannot execute 32-bit programs wine-run.sh reports each
# run as skipped (exit status 77).
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;--prefix=${CMAKE_BINARY_DIR}/wineprefix")
