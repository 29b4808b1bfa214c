# What both mingw-w64 toolchain files share: the compilers of one target triple
# (the posix thread model, because GoogleTest needs std::mutex, which the
# win32-model compiler of this gcc does not provide), its root for libraries and
# headers, and Wine to run the programs. The including file sets
# CMAKE_SYSTEM_PROCESSOR and lotan_mingw_triple.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${lotan_mingw_triple}-gcc-posix)
set(CMAKE_CXX_COMPILER ${lotan_mingw_triple}-g++-posix)
set(CMAKE_RC_COMPILER ${lotan_mingw_triple}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${lotan_mingw_triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest runs every Windows program under Wine, in a prefix private to the build
# tree. wine-run.sh picks the loader from the program's header, and on a host
# that cannot execute 32-bit programs reports each 32-bit run as skipped (exit
# status 77).
set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-run.sh;--prefix=${CMAKE_BINARY_DIR}/wineprefix")
